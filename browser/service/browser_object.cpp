#include "browser_object.h"

#include <glib.h>

#include "addresses.h"
#include "browser_window.h"
#include "support/text.h"
#include "window_features.h"

namespace veltrano::browser {

using automation::Error;
using automation::Value;
namespace errc = automation::errc;

namespace {

std::int32_t checked_size(const Value& value, const char* member) {
  const std::int32_t size = value.to_int32();
  if (size <= 0 || size > kMaxCoordinate)
    throw Error(errc::kInvalidCall, std::string(member) + "：无效的大小 " + std::to_string(size) + "（应为 1 到 " +
                                        std::to_string(kMaxCoordinate) + "）");
  return size;
}

std::int32_t checked_position(const Value& value, const char* member) {
  const std::int32_t position = value.to_int32();
  if (position < -kMaxCoordinate || position > kMaxCoordinate)
    throw Error(errc::kInvalidCall, std::string(member) + "：无效的位置 " + std::to_string(position));
  return position;
}

}  // namespace

std::span<const automation::Member<BrowserObject>> BrowserObject::members() {
  using B = BrowserObject;
  static const automation::Member<B> kMembers[] = {
      {"Visible", &B::get_visible, &B::put_visible},
      {"Navigate", nullptr, nullptr, &B::navigate, 1},
      {"Width", &B::get_width, &B::put_width},
      {"Height", &B::get_height, &B::put_height},
      {"Left", &B::get_left, &B::put_left},
      {"Top", &B::get_top, &B::put_top},
      {"FullScreen", &B::get_full_screen, &B::put_full_screen},
      {"AddressBar", &B::get_address_bar, &B::put_address_bar},
      {"MenuBar", &B::get_menu_bar, &B::put_menu_bar},
      {"ToolBar", &B::get_tool_bar, &B::put_tool_bar},
      {"StatusBar", &B::get_status_bar, &B::put_status_bar},
      {"LocationURL", &B::get_location_url},
      {"LocationName", &B::get_location_name},
      {"Busy", &B::get_busy},
      {"ReadyState", &B::get_ready_state},
      {"Quit", nullptr, nullptr, &B::quit, 0},
  };
  return kMembers;
}

// Every call of the client's tells a window waiting to be shown that it is still being set up.
BrowserWindow& BrowserObject::window() const {
  BrowserWindow* window = m_window();
  if (!window) throw Error(errc::kObjectGone, "浏览器窗口已关闭");
  if (window->pending_show().visible_or_asked() && !window->get_visible()) window->pending_show().postpone();
  return *window;
}

Value BrowserObject::get_visible() { return window().pending_show().visible_or_asked(); }
void BrowserObject::put_visible(const Value& value) { window().pending_show().ask_visible(value.to_bool()); }

Value BrowserObject::navigate(std::span<const Value> args) {
  const std::string url = args[0].to_string();
  if (has_user_info(url)) throw Error(errc::kInvalidCall, std::string("Navigate：") + kUserInfoRefused);
  if (!acceptable_url(url))
    throw Error(errc::kInvalidCall,
                "Navigate：只能打开 http 或 https 网址（或 about:blank）：“" + support::shortened(url, 200) + "”");
  window().pending_show().ask_navigate(url);
  return {};
}

Value BrowserObject::get_width() { return window().placement().asked().width; }
Value BrowserObject::get_height() { return window().placement().asked().height; }
Value BrowserObject::get_left() { return window().placement().asked().left; }
Value BrowserObject::get_top() { return window().placement().asked().top; }

void BrowserObject::put_width(const Value& value) { place(&Placement::width, checked_size(value, "Width")); }
void BrowserObject::put_height(const Value& value) { place(&Placement::height, checked_size(value, "Height")); }
void BrowserObject::put_left(const Value& value) { place(&Placement::left, checked_position(value, "Left")); }
void BrowserObject::put_top(const Value& value) { place(&Placement::top, checked_position(value, "Top")); }

// Each change starts from the placement last asked for, not from what the window manager
// has carried out so far: "Width" then "Height" must not undo one another.
void BrowserObject::place(int Placement::*field, int value) {
  Placement placement = window().placement().asked();
  placement.*field = value;
  window().placement().set(placement);
}

Value BrowserObject::get_full_screen() { return window().placement().full_screen(); }
void BrowserObject::put_full_screen(const Value& value) { window().placement().set_full_screen(value.to_bool()); }

Value BrowserObject::get_address_bar() { return window().bar_visible(Bar::Address); }
void BrowserObject::put_address_bar(const Value& value) { window().set_bar_visible(Bar::Address, value.to_bool()); }
Value BrowserObject::get_menu_bar() { return window().bar_visible(Bar::Menu); }
void BrowserObject::put_menu_bar(const Value& value) { window().set_bar_visible(Bar::Menu, value.to_bool()); }
Value BrowserObject::get_tool_bar() { return window().bar_visible(Bar::Tool); }
void BrowserObject::put_tool_bar(const Value& value) { window().set_bar_visible(Bar::Tool, value.to_bool()); }
Value BrowserObject::get_status_bar() { return window().bar_visible(Bar::Status); }
void BrowserObject::put_status_bar(const Value& value) { window().set_bar_visible(Bar::Status, value.to_bool()); }

Value BrowserObject::get_location_url() { return window().location_asked(); }
Value BrowserObject::get_location_name() { return std::string(window().get_title()); }
Value BrowserObject::get_busy() { return window().busy(); }
Value BrowserObject::get_ready_state() { return static_cast<std::int32_t>(window().ready_state()); }

Value BrowserObject::quit(std::span<const Value>) {
  window().close();
  return {};
}

}  // namespace veltrano::browser
