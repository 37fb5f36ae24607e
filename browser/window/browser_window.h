// One browser window: one web view with a menu bar, a tool bar, an address bar and a
// status bar, each of which can be hidden. The shell application owns the windows. What the
// window is made of keeps its own state: its show (PendingShow), its place (WindowPlacement),
// its page's loads (PageLoads), printing, the prompt for a hung page.
#pragma once

#include <gtkmm/box.h>
#include <gtkmm/overlay.h>
#include <gtkmm/window.h>
#include <gtkmm/windowgroup.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <string>

#include "dialog_hold.h"
#include "page_loads.h"
#include "page_requests.h"
#include "pending_show.h"
#include "printing.h"
#include "support/glib_ptr.h"
#include "unresponsive_prompt.h"
#include "user_gestures.h"
#include "window_bars.h"
#include "window_controls.h"
#include "window_features.h"
#include "window_placement.h"

namespace veltrano::browser {

class WebContext;

enum class Bar { Menu, Tool, Address, Status };

class BrowserWindow : public Gtk::Window {
 public:
  // Opens another window for a page that asks for one; returns its (related) web view.
  using OpenWindow = std::function<WebKitWebView*(WebKitWebView* related)>;

  BrowserWindow(const WebContext& context, WebKitWebView* related_view, OpenWindow open_window);
  ~BrowserWindow() override;

  static BrowserWindow* from_view(WebKitWebView* view);
  WebKitWebView* web_view() const noexcept { return m_view.get(); }

  void navigate(const std::string& url) { m_loads.navigate(url); }
  // Starts the web process on a blank page, for a window made ahead of need: an empty one
  // of the content host, which gets the compatibility scripts compiled and the fonts read
  // before the first page needs them. The page is not the window's home, and going back to
  // it is no use to anybody.
  void load_blank() {
    m_show.warm_up_started();
    m_loads.load_blank();
  }
  bool started_blank() const noexcept { return m_loads.started_blank(); }
  void set_bar_visible(Bar bar, bool visible) { bar_widget(bar).set_visible(visible); }
  bool bar_visible(Bar bar) const;
  PendingShow& pending_show() noexcept { return m_show; }
  WindowPlacement& placement() noexcept { return m_placement; }
  Printing& printing() noexcept { return m_printing; }
  // What the client's desktop gave for the input this window answers, used when it is shown.
  void set_activation(WindowActivation activation) { m_show.set_activation(std::move(activation)); }
  // What window.open asked of this window: its bars, size, place and whether it resizes.
  void apply_features(const WindowFeatures& features);
  std::string location() const { return m_loads.location(); }
  // What a client reads back. A page it asked for before the window was shown counts as
  // asked for: "LocationURL" is that page's, and "Busy" and "ReadyState" say it is loading.
  std::string location_asked() const { return m_show.held().empty() ? location() : m_show.held(); }
  bool busy() const { return !m_show.held().empty() || webkit_web_view_is_loading(m_view.get()); }
  ReadyState ready_state() const noexcept {
    return m_show.held().empty() ? m_loads.ready_state() : ReadyState::Loading;
  }
  void show_status(const Glib::ustring& text) { m_status_bar.show_text(text); }
  // Whether download may start (see UserGestures); the status bar says if not.
  bool allow_download(WebKitDownload* download) { return m_gestures.allow_download(download); }

  // Whether the window may close now: not while its page's script waits for a dialog (it
  // closes once the script has gone on).
  bool may_close() { return m_dialog_hold.may_close(); }
  // Closes the window once the page's script now running is over.
  void close_soon();

  // The first page again, and the page again (itself, where an error page stands for it).
  void go_home() { m_loads.go_home(); }
  void reload() { m_loads.reload(); }

 protected:
  bool on_window_state_event(GdkEventWindowState* event) override;
  bool on_configure_event(GdkEventConfigure* event) override;

 private:
  void lay_out();
  void connect_web_view_signals();
  Gtk::Widget& bar_widget(Bar bar);

  // Handlers of the view's signals, each with the signal's parameters; see connect().
  template <auto Handler>
  gulong connect(gpointer instance, const char* signal);
  void on_view_load_changed(WebKitWebView* view, WebKitLoadEvent event);
  gboolean on_view_load_failed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error) {
    return m_loads.failed(uri, error);
  }
  gboolean on_view_load_failed_with_tls_errors(WebKitWebView*, gchar* uri, GTlsCertificate*, GTlsCertificateFlags) {
    m_loads.failed_for_certificate(uri);  // no way past a bad certificate
    return true;
  }
  gboolean on_view_decide_policy(WebKitWebView* view, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type);
  // Every permission request (location, camera, microphone, notifications...) is refused.
  gboolean on_view_permission_request(WebKitWebView*, WebKitPermissionRequest* request) {
    webkit_permission_request_deny(request);
    return true;
  }
  GtkWidget* on_view_create(WebKitWebView* view, WebKitNavigationAction* action);
  gboolean on_view_script_dialog(WebKitWebView* view, WebKitScriptDialog* dialog);
  void on_view_ready_to_show(WebKitWebView*) { m_show.present(); }
  void on_view_close(WebKitWebView*) { close(); }
  gboolean on_view_print(WebKitWebView* view, WebKitPrintOperation* operation);
  void on_view_web_process_terminated(WebKitWebView* view, WebKitWebProcessTerminationReason reason);
  void on_view_notify_title(WebKitWebView* view, GParamSpec* property);
  void on_view_notify_uri(WebKitWebView* view, GParamSpec* property);
  void on_view_notify_estimated_load_progress(WebKitWebView* view, GParamSpec* property);
  void on_view_mouse_target_changed(WebKitWebView* view, WebKitHitTestResult* hit, guint modifiers);
  void on_page_asks(WindowAsk ask, int x, int y);
  void on_address_go(const std::string& url);

  const WebContext& m_context;
  // Its own: a dialog of this window (print, a file to choose) is modal to it alone.
  Glib::RefPtr<Gtk::WindowGroup> m_group = Gtk::WindowGroup::create();
  GObjectPtr<WebKitWebView> m_view;  // in the widget tree, and kept alive by a reference of ours
  UserGestures m_gestures;
  Printing m_printing;
  UnresponsivePrompt m_unresponsive;
  PendingShow m_show;
  WindowPlacement m_placement{*this};
  PageLoads m_loads;
  OpenWindow m_open_window;
  Gtk::Box m_layout{Gtk::ORIENTATION_VERTICAL};
  WindowControls m_controls{*this};  // the menu bar and tool bar, and the commands
  AddressBar m_address_bar;
  Gtk::Overlay m_page;  // the view, and the hint over it
  FullScreenHint m_full_screen_hint;
  StatusBar m_status_bar;
  PageRequests m_requests;  // what the service's pages ask of this window

  bool m_scroll_bars = true;  // false: window.open said scrollbars=no
  DialogHold m_dialog_hold;   // showModalDialog's wait, as the shell keeps it
};

}  // namespace veltrano::browser
