// The automation members of one browser window, as clients of the shell use them:
// "Visible", "Navigate", "Width", "Height", "Left", "Top", "FullScreen", the four bars,
// "LocationURL", "LocationName", "Busy", "ReadyState" and "Quit". Every value is checked
// here, where it arrives from the bus. "Width", "Height", "Left" and "Top" read back what
// was last asked for.
#pragma once

#include <functional>

#include "automation/object.h"

namespace veltrano::browser {

class BrowserWindow;
struct Placement;

class BrowserObject : public automation::TableObject<BrowserObject> {
 public:
  // window() answers the window this object drives, or null once it has been closed.
  explicit BrowserObject(std::function<BrowserWindow*()> window) : m_window(std::move(window)) {}

  static std::span<const automation::Member<BrowserObject>> members();

  automation::Value get_visible();
  void put_visible(const automation::Value& value);
  automation::Value navigate(std::span<const automation::Value> args);
  automation::Value get_width();
  void put_width(const automation::Value& value);
  automation::Value get_height();
  void put_height(const automation::Value& value);
  automation::Value get_left();
  void put_left(const automation::Value& value);
  automation::Value get_top();
  void put_top(const automation::Value& value);
  automation::Value get_full_screen();
  void put_full_screen(const automation::Value& value);
  automation::Value get_address_bar();
  void put_address_bar(const automation::Value& value);
  automation::Value get_menu_bar();
  void put_menu_bar(const automation::Value& value);
  automation::Value get_tool_bar();
  void put_tool_bar(const automation::Value& value);
  automation::Value get_status_bar();
  void put_status_bar(const automation::Value& value);
  automation::Value get_location_url();
  automation::Value get_location_name();
  automation::Value get_busy();
  automation::Value get_ready_state();
  automation::Value quit(std::span<const automation::Value> args);

 private:
  BrowserWindow& window() const;
  void place(int Placement::*field, int value);
  std::function<BrowserWindow*()> m_window;
};

}  // namespace veltrano::browser
