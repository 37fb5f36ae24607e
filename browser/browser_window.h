// One browser window: one web view with a menu bar, a tool bar, an address bar and a
// status bar, each of which can be hidden. The shell application owns the windows.
#pragma once

#include <webkit2/webkit2.h>

#include <gtkmm/box.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/menubar.h>
#include <gtkmm/progressbar.h>
#include <gtkmm/toolbar.h>
#include <gtkmm/window.h>

#include <functional>
#include <optional>
#include <string>

#include "policy.h"
#include "support/glib_ptr.h"

namespace veltrano::browser {

class WebContext;

enum class Bar { Menu, Tool, Address, Status };

// Where a client asked the window to be: the frame's top-left corner on the screen and the
// window's own size, in logical pixels.
struct Placement {
  int left = 0, top = 0, width = 1024, height = 768;
  bool operator==(const Placement&) const = default;
};

class BrowserWindow : public Gtk::Window {
 public:
  // Opens another window for a page that asks for one; returns its (related) web view.
  using OpenWindow = std::function<WebKitWebView*(WebKitWebView* related)>;

  BrowserWindow(const WebContext& context, WebKitWebView* related_view, OpenWindow open_window);
  ~BrowserWindow() override;

  static BrowserWindow* from_view(WebKitWebView* view);
  WebKitWebView* web_view() const noexcept { return m_view.get(); }

  void navigate(const std::string& url);
  void set_bar_visible(Bar bar, bool visible);
  bool bar_visible(Bar bar) const;
  // The placement last asked for; the window manager may not have carried it out yet.
  const Placement& placement() const noexcept { return m_placement; }
  void set_placement(const Placement& placement);
  void set_full_screen(bool full_screen);
  // What window.open asked of this window: its bars, size, place and whether it resizes.
  void apply_features(const WindowFeatures& features);
  bool full_screen() const noexcept { return m_full_screen; }
  std::string location() const;
  bool busy() const;
  int ready_state() const noexcept { return m_ready_state; }
  void show_status(const Glib::ustring& text);

  // Actions of the keys, menus and tool bar.
  void go_back();
  void go_forward();
  void go_home();
  void reload();
  void stop();
  void print();
  void zoom_in();
  void zoom_out();
  void zoom_reset();
  void toggle_full_screen();
  void close_window();

 protected:
  bool on_key_press_event(GdkEventKey* event) override;
  bool on_window_state_event(GdkEventWindowState* event) override;
  bool on_configure_event(GdkEventConfigure* event) override;

 private:
  void build_menu_bar();
  void build_tool_bar();
  void connect_web_view_signals();
  void show_error_page(const std::string& heading, const std::string& detail, const std::string& uri);
  void schedule_retry();
  void update_navigation_buttons();

  // WebKit signal handlers.
  void on_view_load_changed(WebKitLoadEvent event);
  bool on_view_load_failed(const char* uri, GError* error);
  bool on_view_load_failed_with_tls_errors(const char* uri);
  bool on_view_decide_policy(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type);
  bool on_view_script_dialog(WebKitScriptDialog* dialog);
  std::optional<std::string> on_compatibility_request(const std::string& request, const std::string& payload);
  WebKitWebView* on_view_create();
  void on_view_ready_to_show();
  void on_view_close();
  void on_view_web_process_terminated();
  void on_view_notify_title();
  void on_view_notify_uri();
  void on_view_notify_progress();
  void on_view_mouse_target_changed(WebKitHitTestResult* hit);
  void on_address_activate();
  void on_network_changed(bool available);

  const WebContext& m_context;
  GObjectPtr<WebKitWebView> m_view;  // in the widget tree, and kept alive by a reference of ours
  OpenWindow m_open_window;
  Gtk::Box m_layout{Gtk::ORIENTATION_VERTICAL};
  Gtk::MenuBar m_menu_bar;
  Gtk::Toolbar m_tool_bar;
  Gtk::Box m_address_bar{Gtk::ORIENTATION_HORIZONTAL, 4};
  Gtk::Label m_address_label{"地址"};
  Gtk::Entry m_address;
  Gtk::Box m_status_bar{Gtk::ORIENTATION_HORIZONTAL, 6};
  Gtk::Label m_status;
  Gtk::ProgressBar m_progress;
  Gtk::ToolButton* m_back_button = nullptr;
  Gtk::ToolButton* m_forward_button = nullptr;

  Placement m_placement;
  bool m_placement_pending = false;  // asked for, not yet carried out
  bool m_full_screen = false;
  bool m_scroll_bars = true;                          // false: window.open said scrollbars=no
  std::optional<WindowFeatures> m_opening_features;  // for the window a page is opening now
  int m_ready_state = 0;  // 0 nothing asked, 1 loading, 3 content arriving, 4 done
  std::string m_home;     // the first page the window was asked for
  std::string m_last_uri;
  bool m_showing_error = false;  // the view shows our error page for m_last_uri
  bool m_retry_pending = false;  // that page failed for want of network: load it again
  int m_retry_delay_s = 0;
  sigc::connection m_retry_timer;
  gulong m_network_handler = 0;
};

}  // namespace veltrano::browser
