// One browser window: one web view with a menu bar, a tool bar, an address bar and a
// status bar, each of which can be hidden. The shell application owns the windows.
#pragma once

#include <gtkmm/box.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/progressbar.h>
#include <gtkmm/window.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <optional>
#include <string>

#include "page_requests.h"
#include "policy.h"
#include "sandbox.h"
#include "support/glib_ptr.h"
#include "user_gestures.h"
#include "window_activation.h"
#include "window_controls.h"

namespace veltrano::browser {

class WebContext;

enum class Bar { Menu, Tool, Address, Status };

// "ReadyState" as the old browser numbered it: clients poll it for the page's progress.
enum class ReadyState { NothingAsked = 0, Loading = 1, Interactive = 3, Complete = 4 };

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
  // Starts the web process on a blank page, for a window made ahead of need: an empty one
  // of the content host, which gets the compatibility scripts compiled and the fonts read
  // before the first page needs them. The page is not the window's home, and going back to
  // it is no use to anybody.
  void load_blank();
  bool started_blank() const noexcept { return m_started_blank; }
  void set_bar_visible(Bar bar, bool visible);
  bool bar_visible(Bar bar) const;
  // The placement last asked for; the window manager may not have carried it out yet.
  const Placement& placement() const noexcept { return m_placement; }
  void set_placement(const Placement& placement);
  // What a client asks with "Visible". A client that shows a window goes on to place it and
  // to ask for its page: the window is shown once it has done so (show_if_asked), or once
  // it pauses, so that it appears at its size and place, its page with it.
  void ask_visible(bool visible);
  bool visible_or_asked() const { return get_visible() || m_show_timer.connected(); }
  // What a client asks with "Navigate".
  void ask_navigate(const std::string& url);
  // The client is still at it: the pause starts again.
  void postpone_show();
  void show_if_asked();
  // What the client's desktop gave for the input this window answers, used when it is shown.
  void set_activation(WindowActivation activation) { m_activation = std::move(activation); }
  void set_full_screen(bool full_screen);
  // What window.open asked of this window: its bars, size, place and whether it resizes.
  void apply_features(const WindowFeatures& features);
  bool full_screen() const noexcept { return m_full_screen; }
  std::string location() const;
  // What a client reads back. A page it asked for before the window was shown counts as
  // asked for: "LocationURL" is that page's, and "Busy" and "ReadyState" say it is loading.
  std::string location_asked() const { return m_url_held.empty() ? location() : m_url_held; }
  bool busy() const;
  ReadyState ready_state() const noexcept { return m_url_held.empty() ? m_ready_state : ReadyState::Loading; }
  void show_status(const Glib::ustring& text);
  // Whether download may start (see UserGestures); the status bar says if not.
  bool allow_download(WebKitDownload* download) { return m_gestures.allow_download(download); }

  // The first page again, and the page again (itself, where an error page stands for it).
  void go_home();
  void reload();

 protected:
  bool on_window_state_event(GdkEventWindowState* event) override;
  bool on_configure_event(GdkEventConfigure* event) override;

 private:
  void connect_web_view_signals();
  const Gtk::Widget& bar_widget(Bar bar) const;
  void load_held_page();
  void show_error_page(const std::string& heading, const std::string& detail, const std::string& uri);
  void schedule_retry();

  // Handlers of the view's signals, each with the signal's parameters; see connect().
  template <auto Handler>
  gulong connect(gpointer instance, const char* signal);
  void on_view_load_changed(WebKitWebView* view, WebKitLoadEvent event);
  gboolean on_view_load_failed(WebKitWebView* view, WebKitLoadEvent event, gchar* uri, GError* error);
  gboolean on_view_load_failed_with_tls_errors(WebKitWebView* view, gchar* uri, GTlsCertificate* certificate,
                                               GTlsCertificateFlags errors);
  gboolean on_view_decide_policy(WebKitWebView* view, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type);
  gboolean on_view_permission_request(WebKitWebView* view, WebKitPermissionRequest* request);
  GtkWidget* on_view_create(WebKitWebView* view, WebKitNavigationAction* action);
  gboolean on_view_script_dialog(WebKitWebView* view, WebKitScriptDialog* dialog);
  void on_view_ready_to_show(WebKitWebView* view);
  void on_view_close(WebKitWebView* view);
  gboolean on_view_print(WebKitWebView* view, WebKitPrintOperation* operation);
  void on_view_web_process_terminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason);
  void on_view_notify_title(WebKitWebView* view, GParamSpec* property);
  void on_view_notify_uri(WebKitWebView* view, GParamSpec* property);
  void on_view_notify_estimated_load_progress(WebKitWebView* view, GParamSpec* property);
  void on_view_mouse_target_changed(WebKitWebView* view, WebKitHitTestResult* hit, guint modifiers);
  void on_network_changed(GNetworkMonitor* monitor, gboolean available);
  void on_page_asks(WindowAsk ask, int x, int y);
  void on_address_activate();
  bool on_show_timer();

  const WebContext& m_context;
  GObjectPtr<WebKitWebView> m_view;  // in the widget tree, and kept alive by a reference of ours
  UserGestures m_gestures;
  OpenWindow m_open_window;
  Gtk::Box m_layout{Gtk::ORIENTATION_VERTICAL};
  WindowControls m_controls{*this};  // the menu bar and tool bar, and the commands
  Gtk::Box m_address_bar{Gtk::ORIENTATION_HORIZONTAL, 4};
  Gtk::Label m_address_label{"地址"};
  Gtk::Entry m_address;
  Gtk::Box m_status_bar{Gtk::ORIENTATION_HORIZONTAL, 6};
  Gtk::Label m_status;
  Gtk::ProgressBar m_progress;
  Gtk::Label m_sandbox_notice{kSandboxOffNotice};

  Placement m_placement;
  sigc::connection m_show_timer;     // shown, unless the client goes on, when it runs
  WindowActivation m_activation;     // for that show
  std::string m_url_held;            // asked for before the window was shown or warmed up
  bool m_placement_pending = false;  // asked for, not yet carried out
  bool m_started_blank = false;
  bool m_warming_up = false;  // the warm-up page is still loading
  bool m_full_screen = false;
  bool m_scroll_bars = true;  // false: window.open said scrollbars=no
  PageRequests m_requests;    // what the service's pages ask of this window
  ReadyState m_ready_state = ReadyState::NothingAsked;
  std::string m_home;  // the first page the window was asked for
  std::string m_last_uri;
  std::string m_hovered_link;    // the link under the mouse, shown in the status bar
  bool m_showing_error = false;  // the view shows our error page for m_last_uri
  bool m_retry_pending = false;  // that page failed for want of network: load it again
  int m_retry_delay_s = 0;
  sigc::connection m_retry_timer;
  gulong m_network_handler = 0;
};

}  // namespace veltrano::browser
