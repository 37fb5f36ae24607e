// A browser window's commands as actions of the window ("win.reload", "win.back"...), with
// one table that gives them their keys, and the menu bar and tool bar that show them. The
// window owns its controls; the commands act on it.
#pragma once

#include <giomm/simpleactiongroup.h>
#include <gtkmm/application.h>
#include <gtkmm/menubar.h>
#include <gtkmm/toolbar.h>
#include <gtkmm/toolbutton.h>
#include <webkit2/webkit2.h>

#include <memory>
#include <vector>

namespace veltrano::browser {

class BrowserWindow;

class WindowControls {
 public:
  explicit WindowControls(BrowserWindow& window);
  WindowControls(const WindowControls&) = delete;
  WindowControls& operator=(const WindowControls&) = delete;

  // Gives every window's commands their keys; once, when the application starts.
  static void install_accelerators(Gtk::Application& application);

  Gtk::MenuBar& menu_bar() noexcept { return m_menu_bar; }
  Gtk::Toolbar& tool_bar() noexcept { return m_tool_bar; }
  const Gtk::MenuBar& menu_bar() const noexcept { return m_menu_bar; }
  const Gtk::Toolbar& tool_bar() const noexcept { return m_tool_bar; }
  // Back and forward are enabled while the view has somewhere to go.
  void update_navigation();

  // The commands.
  void back();
  void forward();
  void home();
  void reload();
  void stop();
  void print();
  void zoom_in();
  void zoom_out();
  void zoom_reset();
  void full_screen();
  void close();

 private:
  void build_menu_bar();
  void build_tool_bar();

  BrowserWindow& m_window;
  Glib::RefPtr<Gio::SimpleActionGroup> m_actions = Gio::SimpleActionGroup::create();
  Gtk::MenuBar m_menu_bar;
  Gtk::Toolbar m_tool_bar;
  std::vector<std::unique_ptr<Gtk::ToolButton>> m_tool_buttons;  // in m_tool_bar, which goes after them
};

}  // namespace veltrano::browser
