// The window's own controls: its menu bar and tool bar, the keys, and what they do.
#include <atkmm/object.h>
#include <glibmm/main.h>
#include <gtkmm/menuitem.h>
#include <gtkmm/separatormenuitem.h>
#include <gtkmm/toolbutton.h>

#include <algorithm>
#include <array>
#include <vector>

#include "browser_window.h"

namespace veltrano::browser {
namespace {

struct KeyBinding {
  guint keyval;
  guint modifiers;  // GDK_CONTROL_MASK, GDK_MOD1_MASK (Alt) or 0
  void (BrowserWindow::*action)();
};
// clang-format off
constexpr std::array<KeyBinding, 15> kKeyBindings{{
  {GDK_KEY_F5,       0,                &BrowserWindow::reload},
  {GDK_KEY_r,        GDK_CONTROL_MASK, &BrowserWindow::reload},
  {GDK_KEY_Left,     GDK_MOD1_MASK,    &BrowserWindow::go_back},
  {GDK_KEY_Right,    GDK_MOD1_MASK,    &BrowserWindow::go_forward},
  {GDK_KEY_Escape,   0,                &BrowserWindow::stop},
  {GDK_KEY_p,        GDK_CONTROL_MASK, &BrowserWindow::print},
  {GDK_KEY_plus,     GDK_CONTROL_MASK, &BrowserWindow::zoom_in},
  {GDK_KEY_equal,    GDK_CONTROL_MASK, &BrowserWindow::zoom_in},
  {GDK_KEY_KP_Add,   GDK_CONTROL_MASK, &BrowserWindow::zoom_in},
  {GDK_KEY_minus,    GDK_CONTROL_MASK, &BrowserWindow::zoom_out},
  {GDK_KEY_KP_Subtract, GDK_CONTROL_MASK, &BrowserWindow::zoom_out},
  {GDK_KEY_0,        GDK_CONTROL_MASK, &BrowserWindow::zoom_reset},
  {GDK_KEY_F11,      0,                &BrowserWindow::toggle_full_screen},
  {GDK_KEY_w,        GDK_CONTROL_MASK, &BrowserWindow::close_window},
  {GDK_KEY_F4,       GDK_MOD1_MASK,    &BrowserWindow::close_window},
}};
// clang-format on

}  // namespace

void BrowserWindow::build_menu_bar() {
  struct Item {
    const char* label;
    void (BrowserWindow::*action)();
  };
  struct Menu {
    const char* title;
    std::vector<Item> items;  // a null label is a separator
  };
  const Menu menus[] = {
      {"文件", {{"打印…\tCtrl+P", &BrowserWindow::print}, {nullptr, nullptr}, {"关闭窗口\tCtrl+W", &BrowserWindow::close_window}}},
      {"查看", {{"重新载入\tF5", &BrowserWindow::reload}, {"停止\tEsc", &BrowserWindow::stop}, {nullptr, nullptr},
                {"放大\tCtrl++", &BrowserWindow::zoom_in}, {"缩小\tCtrl+-", &BrowserWindow::zoom_out},
                {"实际大小\tCtrl+0", &BrowserWindow::zoom_reset}, {nullptr, nullptr},
                {"全屏\tF11", &BrowserWindow::toggle_full_screen}}},
      {"转到", {{"后退\tAlt+←", &BrowserWindow::go_back}, {"前进\tAlt+→", &BrowserWindow::go_forward},
                {"主页", &BrowserWindow::go_home}}},
  };
  for (const Menu& menu : menus) {
    auto* top = Gtk::manage(new Gtk::MenuItem(menu.title));
    auto* submenu = Gtk::manage(new Gtk::Menu);
    for (const Item& item : menu.items) {
      if (!item.label) {
        submenu->append(*Gtk::manage(new Gtk::SeparatorMenuItem));
        continue;
      }
      const std::string text(item.label);
      const auto tab = text.find('\t');
      auto* entry = Gtk::manage(new Gtk::MenuItem(text.substr(0, tab)));
      if (tab != std::string::npos) {
        auto* shortcut = Gtk::manage(new Gtk::Label(text.substr(tab + 1)));
        shortcut->get_style_context()->add_class("dim-label");
        auto* box = Gtk::manage(new Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 24));
        entry->remove();
        box->pack_start(*Gtk::manage(new Gtk::Label(text.substr(0, tab), Gtk::ALIGN_START)), Gtk::PACK_EXPAND_WIDGET);
        box->pack_end(*shortcut, Gtk::PACK_SHRINK);
        entry->add(*box);
      }
      // Screen readers name an item after its label; with the key beside it, say so.
      entry->get_accessible()->set_name(text.substr(0, tab));
      entry->signal_activate().connect(sigc::mem_fun(*this, item.action));
      submenu->append(*entry);
    }
    top->set_submenu(*submenu);
    m_menu_bar.append(*top);
  }
}

void BrowserWindow::build_tool_bar() {
  struct Tool {
    const char* icon;
    const char* label;
    void (BrowserWindow::*action)();
    Gtk::ToolButton** keep;
  };
  const Tool tools[] = {
      {"go-previous", "后退", &BrowserWindow::go_back, &m_back_button},
      {"go-next", "前进", &BrowserWindow::go_forward, &m_forward_button},
      {"view-refresh", "刷新", &BrowserWindow::reload, nullptr},
      {"process-stop", "停止", &BrowserWindow::stop, nullptr},
      {"go-home", "主页", &BrowserWindow::go_home, nullptr},
  };
  for (const Tool& tool : tools) {
    auto* button = Gtk::manage(new Gtk::ToolButton(tool.label));
    button->set_icon_name(tool.icon);
    button->set_tooltip_text(tool.label);
    // The push button inside is what screen readers find; it has only an icon to go by.
    if (Gtk::Widget* inner = button->get_child()) inner->get_accessible()->set_name(tool.label);
    button->signal_clicked().connect(sigc::mem_fun(*this, tool.action));
    if (tool.keep) *tool.keep = button;
    m_tool_bar.append(*button);
  }
  m_tool_bar.set_toolbar_style(Gtk::TOOLBAR_BOTH_HORIZ);
}

void BrowserWindow::go_back() { webkit_web_view_go_back(m_view.get()); }
void BrowserWindow::go_forward() { webkit_web_view_go_forward(m_view.get()); }
void BrowserWindow::go_home() {
  if (!m_home.empty()) navigate(m_home);
}
void BrowserWindow::stop() { webkit_web_view_stop_loading(m_view.get()); }

void BrowserWindow::reload() {
  // Our own error page stands in for m_last_uri: load the page itself again.
  if (m_showing_error && !m_last_uri.empty())
    navigate(m_last_uri);
  else
    webkit_web_view_reload(m_view.get());
}

void BrowserWindow::print() {
  const GObjectPtr<WebKitPrintOperation> operation(webkit_print_operation_new(m_view.get()));
  webkit_print_operation_run_dialog(operation.get(), gobj());
}

void BrowserWindow::zoom_in() { webkit_web_view_set_zoom_level(m_view.get(), std::min(webkit_web_view_get_zoom_level(m_view.get()) * 1.1, 5.0)); }
void BrowserWindow::zoom_out() { webkit_web_view_set_zoom_level(m_view.get(), std::max(webkit_web_view_get_zoom_level(m_view.get()) / 1.1, 0.25)); }
void BrowserWindow::zoom_reset() { webkit_web_view_set_zoom_level(m_view.get(), 1.0); }
void BrowserWindow::toggle_full_screen() { set_full_screen(!m_full_screen); }
void BrowserWindow::close_window() { close(); }

bool BrowserWindow::on_key_press_event(GdkEventKey* event) {
  const guint modifiers = event->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK);
  const guint keyval = gdk_keyval_to_lower(event->keyval);
  for (const KeyBinding& binding : kKeyBindings) {
    if (binding.keyval == keyval && binding.modifiers == modifiers) {
      (this->*binding.action)();
      return true;
    }
  }
  return Gtk::Window::on_key_press_event(event);
}

}  // namespace veltrano::browser
