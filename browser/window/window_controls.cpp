#include "window_controls.h"

#include <atkmm/object.h>
#include <giomm/menu.h>
#include <giomm/simpleaction.h>
#include <gtkmm/toolbutton.h>

#include <algorithm>

#include "browser_window.h"

namespace veltrano::browser {
namespace {

// Every command, and the keys that run it. The menus show the first key of each.
struct Command {
  const char* action;
  void (WindowControls::*run)();
  const char* keys[3];
};
// clang-format off
constexpr Command kCommands[] = {
  {"reload",      &WindowControls::reload,      {"F5", "<Control>r"}},
  {"stop",        &WindowControls::stop,        {"Escape"}},
  {"back",        &WindowControls::back,        {"<Alt>Left"}},
  {"forward",     &WindowControls::forward,     {"<Alt>Right"}},
  {"home",        &WindowControls::home,        {}},
  {"print",       &WindowControls::print,       {"<Control>p"}},
  {"zoom-in",     &WindowControls::zoom_in,     {"<Control>plus", "<Control>equal", "<Control>KP_Add"}},
  {"zoom-out",    &WindowControls::zoom_out,    {"<Control>minus", "<Control>KP_Subtract"}},
  {"zoom-reset",  &WindowControls::zoom_reset,  {"<Control>0"}},
  {"full-screen", &WindowControls::full_screen, {"F11"}},
  {"close",       &WindowControls::close,       {"<Control>w", "<Alt>F4"}},
};
// clang-format on

constexpr double kMinZoom = 0.25;
constexpr double kMaxZoom = 5.0;
constexpr double kZoomStep = 1.1;

}  // namespace

WindowControls::WindowControls(BrowserWindow& window) : m_window(window) {
  for (const Command& command : kCommands) m_actions->add_action(command.action, sigc::mem_fun(*this, command.run));
  m_window.insert_action_group("win", m_actions);
  build_menu_bar();
  build_tool_bar();
}

void WindowControls::install_accelerators(Gtk::Application& application) {
  for (const Command& command : kCommands) {
    std::vector<Glib::ustring> keys;
    for (const char* key : command.keys)
      if (key) keys.emplace_back(key);
    application.set_accels_for_action(std::string("win.") + command.action, keys);
  }
}

void WindowControls::build_menu_bar() {
  struct Item {
    const char* label;
    const char* action;  // null: the start of a new section
  };
  struct Menu {
    const char* title;
    std::vector<Item> items;
  };
  const Menu menus[] = {
      {"文件", {{"打印…", "print"}, {nullptr, nullptr}, {"关闭窗口", "close"}}},
      {"查看",
       {{"重新载入", "reload"},
        {"停止", "stop"},
        {nullptr, nullptr},
        {"放大", "zoom-in"},
        {"缩小", "zoom-out"},
        {"实际大小", "zoom-reset"},
        {nullptr, nullptr},
        {"全屏", "full-screen"}}},
      {"转到", {{"后退", "back"}, {"前进", "forward"}, {"主页", "home"}}},
  };
  auto bar = Gio::Menu::create();
  for (const Menu& menu : menus) {
    auto sections = Gio::Menu::create();
    auto section = Gio::Menu::create();
    for (const Item& item : menu.items) {
      if (!item.action) {
        sections->append_section(section);
        section = Gio::Menu::create();
        continue;
      }
      section->append(item.label, std::string("win.") + item.action);
    }
    sections->append_section(section);
    bar->append_submenu(menu.title, sections);
  }
  m_menu_bar.bind_model(bar, true);
}

void WindowControls::build_tool_bar() {
  struct Tool {
    const char* icon;
    const char* label;
    const char* action;
  };
  const Tool tools[] = {
      {"go-previous", "后退", "back"},  {"go-next", "前进", "forward"}, {"view-refresh", "刷新", "reload"},
      {"process-stop", "停止", "stop"}, {"go-home", "主页", "home"},
  };
  for (const Tool& tool : tools) {
    Gtk::ToolButton* button = m_tool_buttons.emplace_back(std::make_unique<Gtk::ToolButton>(tool.label)).get();
    button->set_icon_name(tool.icon);
    button->set_tooltip_text(tool.label);
    gtk_actionable_set_action_name(GTK_ACTIONABLE(button->gobj()), (std::string("win.") + tool.action).c_str());
    // The push button inside is what screen readers find; it has only an icon to go by.
    if (Gtk::Widget* inner = button->get_child()) inner->get_accessible()->set_name(tool.label);
    m_tool_bar.append(*button);
  }
  m_tool_bar.set_toolbar_style(Gtk::TOOLBAR_BOTH_HORIZ);
}

void WindowControls::update_navigation() {
  WebKitWebView* view = m_window.web_view();
  // Behind the first page of a window made ahead of need lies only its blank page.
  WebKitBackForwardList* history = webkit_web_view_get_back_forward_list(view);
  const bool only_blank_behind = m_window.started_blank() && !webkit_back_forward_list_get_nth_item(history, -2);
  for (const auto& [action, enabled] : {std::pair{"back", webkit_web_view_can_go_back(view) && !only_blank_behind},
                                        std::pair{"forward", webkit_web_view_can_go_forward(view) != FALSE}})
    if (auto simple = Glib::RefPtr<Gio::SimpleAction>::cast_dynamic(m_actions->lookup_action(action)))
      simple->set_enabled(enabled);
}

void WindowControls::back() { webkit_web_view_go_back(m_window.web_view()); }
void WindowControls::forward() { webkit_web_view_go_forward(m_window.web_view()); }
void WindowControls::home() { m_window.go_home(); }
void WindowControls::reload() { m_window.reload(); }
void WindowControls::stop() { webkit_web_view_stop_loading(m_window.web_view()); }
void WindowControls::full_screen() {
  WindowPlacement& placement = m_window.placement();
  placement.set_full_screen(!placement.full_screen());
}
void WindowControls::close() { m_window.close(); }

void WindowControls::print() { m_window.printing().print_page(); }

void WindowControls::zoom_in() {
  WebKitWebView* view = m_window.web_view();
  webkit_web_view_set_zoom_level(view, std::min(webkit_web_view_get_zoom_level(view) * kZoomStep, kMaxZoom));
}

void WindowControls::zoom_out() {
  WebKitWebView* view = m_window.web_view();
  webkit_web_view_set_zoom_level(view, std::max(webkit_web_view_get_zoom_level(view) / kZoomStep, kMinZoom));
}

void WindowControls::zoom_reset() { webkit_web_view_set_zoom_level(m_window.web_view(), 1.0); }

}  // namespace veltrano::browser
