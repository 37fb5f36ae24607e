#include "browser_window.h"

#include <atk/atk.h>
#include <glibmm/main.h>
#include <glibmm/markup.h>
#include <gtkmm/toolbutton.h>

#include <algorithm>
#include <utility>

#include "config.h"
#include "policy.h"
#include "resources.h"
#include "support/glib_signal.h"
#include "web_context.h"

namespace veltrano::browser {
namespace {

constexpr char kWindowKey[] = "veltrano-browser-window";
constexpr char kDefaultTitle[] = "电子走势图";
constexpr char kWarmUpPage[] = "<!DOCTYPE html><meta charset=\"utf-8\"><body>电子走势图 0123456789</body>";

Glib::ustring escape(const std::string& text) { return Glib::Markup::escape_text(text); }

}  // namespace

BrowserWindow::BrowserWindow(const WebContext& context, WebKitWebView* related_view, OpenWindow open_window)
    : m_context(context),
      m_view(WEBKIT_WEB_VIEW(g_object_ref_sink(context.new_view(related_view)))),
      m_gestures(GTK_WIDGET(m_view.get()), [this](const std::string& text) { show_status(text); }),
      m_printing(*this, m_view.get(), m_gestures, [this](const std::string& text) { show_status(text); }),
      m_unresponsive(m_view.get(), [this] { close(); }),
      m_show(*this, [this](const std::string& url) { navigate(url); }),
      m_reload_when_online([this] { navigate(m_last_uri); }),
      m_open_window(std::move(open_window)),
      m_address_bar([this](const std::string& url) { on_address_go(url); },
                    [this](const std::string& why) { show_status(why); }),
      m_status_bar(context.sandbox_mode() == SandboxMode::OptedOut),
      m_requests(
          context.channel(), m_gestures, [this](const Glib::ustring& text) { show_status(text); },
          [this](WindowAsk ask, int x, int y) { on_page_asks(ask, x, y); }) {
  m_group->add_window(*this);
  set_title(kDefaultTitle);
  set_default_size(m_placement.asked().width, m_placement.asked().height);
  g_object_set_data(G_OBJECT(m_view.get()), kWindowKey, this);
  lay_out();
  connect_web_view_signals();
  m_controls.update_navigation();
}

void BrowserWindow::lay_out() {
  m_page.add(*Glib::wrap(GTK_WIDGET(m_view.get())));
  m_page.add_overlay(m_full_screen_hint);
  m_layout.pack_start(m_controls.menu_bar(), Gtk::PACK_SHRINK);
  m_layout.pack_start(m_controls.tool_bar(), Gtk::PACK_SHRINK);
  m_layout.pack_start(m_address_bar, Gtk::PACK_SHRINK);
  m_layout.pack_start(m_unresponsive, Gtk::PACK_SHRINK);
  m_layout.pack_start(m_page, Gtk::PACK_EXPAND_WIDGET);
  m_layout.pack_end(m_status_bar, Gtk::PACK_SHRINK);
  add(m_layout);
  m_layout.show_all();
}

BrowserWindow::~BrowserWindow() {
  g_signal_handlers_disconnect_by_data(m_view.get(), this);
  g_object_set_data(G_OBJECT(m_view.get()), kWindowKey, nullptr);
  // A hung page would go on burning its web process after its window: it goes with it.
  if (m_unresponsive.hung() || !webkit_web_view_get_is_web_process_responsive(m_view.get()))
    webkit_web_view_terminate_web_process(m_view.get());
}

BrowserWindow* BrowserWindow::from_view(WebKitWebView* view) {
  return view ? static_cast<BrowserWindow*>(g_object_get_data(G_OBJECT(view), kWindowKey)) : nullptr;
}

// Every signal of the web view, in one place, each to the handler of its own name.
template <auto Handler>
gulong BrowserWindow::connect(gpointer instance, const char* signal) {
  return connect_signal<Handler>(instance, signal, this);
}

void BrowserWindow::connect_web_view_signals() {
  WebKitWebView* view = m_view.get();
  connect<&BrowserWindow::on_view_load_changed>(view, "load-changed");
  connect<&BrowserWindow::on_view_load_failed>(view, "load-failed");
  connect<&BrowserWindow::on_view_load_failed_with_tls_errors>(view, "load-failed-with-tls-errors");
  connect<&BrowserWindow::on_view_decide_policy>(view, "decide-policy");
  connect<&BrowserWindow::on_view_permission_request>(view, "permission-request");
  connect<&BrowserWindow::on_view_create>(view, "create");
  connect<&BrowserWindow::on_view_script_dialog>(view, "script-dialog");
  connect<&BrowserWindow::on_view_ready_to_show>(view, "ready-to-show");
  connect<&BrowserWindow::on_view_close>(view, "close");
  connect<&BrowserWindow::on_view_print>(view, "print");
  connect<&BrowserWindow::on_view_web_process_terminated>(view, "web-process-terminated");
  connect<&BrowserWindow::on_view_notify_title>(view, "notify::title");
  connect<&BrowserWindow::on_view_notify_uri>(view, "notify::uri");
  connect<&BrowserWindow::on_view_notify_estimated_load_progress>(view, "notify::estimated-load-progress");
  connect<&BrowserWindow::on_view_mouse_target_changed>(view, "mouse-target-changed");
}

void BrowserWindow::navigate(const std::string& url) {
  if (m_home.empty()) m_home = url;
  m_gestures.asked_for_load();
  m_last_uri = url;
  m_showing_error = false;
  m_reload_when_online.call_off();
  m_ready_state = ReadyState::Loading;
  webkit_web_view_load_uri(m_view.get(), url.c_str());
}

void BrowserWindow::load_blank() {
  m_started_blank = true;
  m_show.warm_up_started();
  const std::string base = std::string("http://") + config::kContentHost + "/";
  webkit_web_view_load_alternate_html(m_view.get(), kWarmUpPage, base.c_str(), nullptr);
}

Gtk::Widget& BrowserWindow::bar_widget(Bar bar) {
  switch (bar) {
    case Bar::Menu: return m_controls.menu_bar();
    case Bar::Tool: return m_controls.tool_bar();
    case Bar::Address: return m_address_bar;
    case Bar::Status: break;
  }
  return m_status_bar;
}

void BrowserWindow::set_bar_visible(Bar bar, bool visible) { bar_widget(bar).set_visible(visible); }

bool BrowserWindow::bar_visible(Bar bar) const {
  return const_cast<BrowserWindow*>(this)->bar_widget(bar).get_visible();
}

std::string BrowserWindow::location() const {
  const char* uri = webkit_web_view_get_uri(m_view.get());
  return uri ? uri : m_last_uri;
}

bool BrowserWindow::busy() const { return !m_show.held().empty() || webkit_web_view_is_loading(m_view.get()); }

void BrowserWindow::show_error_page(const std::string& heading, const std::string& detail, const std::string& uri) {
  static const std::string page = resource_text("error-page.html");
  const std::string html =
      fill_template(page, {{"HEADING", escape(heading)}, {"DETAIL", escape(detail)}, {"URI", escape(uri)}});
  m_showing_error = true;
  webkit_web_view_load_alternate_html(m_view.get(), html.c_str(), uri.c_str(), nullptr);
}

void BrowserWindow::on_view_load_changed(WebKitWebView*, WebKitLoadEvent event) {
  switch (event) {
    case WEBKIT_LOAD_STARTED:
      m_ready_state = ReadyState::Loading;
      m_gestures.load_started();
      break;
    case WEBKIT_LOAD_REDIRECTED: break;
    case WEBKIT_LOAD_COMMITTED:
      m_ready_state = ReadyState::Interactive;
      m_committed_uri = location();
      break;
    case WEBKIT_LOAD_FINISHED:
      m_ready_state = ReadyState::Complete;
      if (!m_scroll_bars) {  // WebKit has no switch for a page's scroll bars
        static const std::string no_scroll_bars = resource_text("no-scroll-bars.js");
        webkit_web_view_evaluate_javascript(m_view.get(), no_scroll_bars.c_str(), -1, nullptr, nullptr, nullptr,
                                            nullptr, nullptr);
      }
      m_status_bar.load_finished();
      m_reload_when_online.loaded();
      m_show.warm_up_done();
      break;
  }
  m_controls.update_navigation();
}

gboolean BrowserWindow::on_view_load_failed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error) {
  if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
      g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE) ||
      error->domain == WEBKIT_PLUGIN_ERROR || error->domain == WEBKIT_DOWNLOAD_ERROR)
    return false;  // stopped, or turned into a download: nothing to show
  m_last_uri = uri;
  const bool network = network_failure(error->domain, error->code);  // the rest stays as it failed
  show_error_page("无法打开此页面",
                  std::string(error->message) + (network ? "。网络恢复后将自动重新载入，也可以按 F5 重试。" : "。"),
                  uri);
  if (network) m_reload_when_online.failed();
  return true;
}

// A certificate that does not check out stops the load; there is no way past it.
gboolean BrowserWindow::on_view_load_failed_with_tls_errors(WebKitWebView*, gchar* uri, GTlsCertificate*,
                                                            GTlsCertificateFlags) {
  m_last_uri = uri;
  show_error_page("连接不安全，已停止载入", "此网站的安全证书无法验证，页面可能被冒充或篡改。", uri);
  return true;
}

gboolean BrowserWindow::on_view_decide_policy(WebKitWebView*, WebKitPolicyDecision* decision,
                                              WebKitPolicyDecisionType type) {
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    if (webkit_response_policy_decision_is_mime_type_supported(response)) return false;
    m_gestures.decide_download(response);
    return true;
  }
  // Pages may lead only to web pages: no local files, no other programs' schemes, and no
  // address that shows one host and goes to another, in any frame or new window.
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  if (web_scheme(uri) && !has_user_info(uri)) return false;
  if (web_scheme(uri)) show_status(kUserInfoRefused);
  webkit_policy_decision_ignore(decision);
  return true;
}

// Every permission request (location, camera, microphone, notifications...) is refused.
gboolean BrowserWindow::on_view_permission_request(WebKitWebView*, WebKitPermissionRequest* request) {
  webkit_permission_request_deny(request);
  return TRUE;
}

// A new window for window.open or a link's target: to a web page, once per click.
GtkWidget* BrowserWindow::on_view_create(WebKitWebView*, WebKitNavigationAction* action) {
  const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  if (!m_gestures.allow_window(uri)) return nullptr;
  WebKitWebView* view = m_open_window ? m_open_window(m_view.get()) : nullptr;
  std::optional<WindowFeatures> features = m_requests.take_opening_features();
  // Full screen hides where a page comes from: only the service's own pages may ask for it.
  if (features && !service_page(uri ? uri : "")) features->full_screen = false;
  if (BrowserWindow* opened = from_view(view); opened && features) opened->apply_features(*features);
  return view ? GTK_WIDGET(view) : nullptr;
}

// WebKit does not say which frame asked: the channel answers by the document the main frame
// holds, never by an address still loading. A frame of another host never has the secret.
gboolean BrowserWindow::on_view_script_dialog(WebKitWebView*, WebKitScriptDialog* dialog) {
  return m_requests.handle(dialog, m_committed_uri);
}

void BrowserWindow::on_view_ready_to_show(WebKitWebView*) { m_show.present(); }

void BrowserWindow::on_view_close(WebKitWebView*) { close(); }

// window.print(): the same dialog as the menu's command and Ctrl+P, if the page may.
gboolean BrowserWindow::on_view_print(WebKitWebView*, WebKitPrintOperation* operation) {
  m_printing.page_asks(operation);
  return true;
}

void BrowserWindow::on_view_web_process_terminated(WebKitWebView*, WebKitWebProcessTerminationReason) {
  m_ready_state = ReadyState::Complete;
  m_status_bar.load_finished();
  if (m_show.warm_up_done()) return;  // nothing of the user's was lost with it
  show_error_page("页面意外停止运行", "显示此页面的进程已终止。请按 F5 重新载入。", location());
}

// The title, the address and the progress, as the view changes them.
void BrowserWindow::on_view_notify_title(WebKitWebView*, GParamSpec*) {
  const char* title = webkit_web_view_get_title(m_view.get());
  set_title(title && *title ? title : kDefaultTitle);
}

void BrowserWindow::on_view_notify_uri(WebKitWebView*, GParamSpec*) {
  const char* uri = webkit_web_view_get_uri(m_view.get());
  m_address_bar.show_address(uri);
  if (uri && !m_showing_error) m_last_uri = uri;
}

void BrowserWindow::on_view_notify_estimated_load_progress(WebKitWebView*, GParamSpec*) {
  const double progress = webkit_web_view_get_estimated_load_progress(m_view.get());
  const bool loading = webkit_web_view_is_loading(m_view.get()) && progress < 1.0;
  m_status_bar.show_progress(progress, loading);
}

void BrowserWindow::on_view_mouse_target_changed(WebKitWebView*, WebKitHitTestResult* hit, guint) {
  const char* uri = webkit_hit_test_result_context_is_link(hit) ? webkit_hit_test_result_get_link_uri(hit) : nullptr;
  const std::string link = uri ? uri : "";
  // Told again after a click: what the click brought about stays in view.
  if (m_hovered_link == link) return;
  m_hovered_link = link;
  show_status(link);
}

void BrowserWindow::on_address_go(const std::string& url) {
  navigate(url);
  gtk_widget_grab_focus(GTK_WIDGET(m_view.get()));
}

void BrowserWindow::go_home() {
  if (!m_home.empty()) navigate(m_home);
}

void BrowserWindow::reload() {
  // Our own error page stands in for m_last_uri: load the page itself again.
  if (m_showing_error && !m_last_uri.empty()) {
    navigate(m_last_uri);
  } else {
    m_gestures.asked_for_load();
    webkit_web_view_reload(m_view.get());
  }
}

bool BrowserWindow::on_configure_event(GdkEventConfigure* event) {
  m_placement.configured(*event);
  return Gtk::Window::on_configure_event(event);
}

bool BrowserWindow::on_window_state_event(GdkEventWindowState* event) {
  m_placement.state_changed(*event);
  return Gtk::Window::on_window_state_event(event);
}

void BrowserWindow::apply_features(const WindowFeatures& features) {
  set_bar_visible(Bar::Menu, features.menu_bar);
  set_bar_visible(Bar::Tool, features.tool_bar);
  set_bar_visible(Bar::Address, features.address_bar);
  set_bar_visible(Bar::Status, features.status_bar);
  set_resizable(features.resizable);
  m_scroll_bars = features.scroll_bars;
  // width and height are the page's; the window adds whatever bars it shows.
  int chrome = 0;
  for (Bar bar : {Bar::Menu, Bar::Tool, Bar::Address, Bar::Status}) {
    int minimum = 0, natural = 0;
    if (bar_visible(bar)) bar_widget(bar).get_preferred_height(minimum, natural);
    chrome += natural;
  }
  m_placement.open_with(features, chrome);
  if (!features.full_screen) return;
  m_placement.set_full_screen(true);
  m_full_screen_hint.show_for_a_while();  // the page asked: the user learns how to leave
}

// A page's moveTo, resizeBy, close...
void BrowserWindow::on_page_asks(WindowAsk ask, int x, int y) {
  if (ask == WindowAsk::Close)  // once the page's script has run; the idle source goes with the window
    Glib::signal_idle().connect_once(sigc::mem_fun(*this, &BrowserWindow::close));
  else
    m_placement.page_asks(ask, x, y);
}

}  // namespace veltrano::browser
