#include "browser_window.h"

#include <atk/atk.h>
#include <glibmm/main.h>
#include <glibmm/markup.h>
#include <gtkmm/clipboard.h>
#include <gtkmm/toolbutton.h>

#include <algorithm>

#include "policy.h"
#include "web_context.h"

namespace veltrano::browser {
namespace {

constexpr char kWindowKey[] = "veltrano-browser-window";
constexpr char kDefaultTitle[] = "电子走势图";
constexpr int kMaxRetryDelay = 30;
constexpr char kLoading[] = "正在载入…";
constexpr char kNoScrollBars[] =
    "(function () { var s = document.createElement('style'); s.textContent = 'html { overflow: hidden !important }';"
    " (document.head || document.documentElement).appendChild(s); })();";

Glib::ustring escape(const std::string& text) { return Glib::Markup::escape_text(text); }

}  // namespace

BrowserWindow::BrowserWindow(const WebContext& context, WebKitWebView* related_view, OpenWindow open_window)
    : m_context(context),
      m_view(WEBKIT_WEB_VIEW(g_object_ref_sink(context.new_view(related_view)))),
      m_open_window(std::move(open_window)) {
  set_title(kDefaultTitle);
  set_default_size(m_placement.width, m_placement.height);
  g_object_set_data(G_OBJECT(m_view.get()), kWindowKey, this);

  build_menu_bar();
  build_tool_bar();
  m_address_label.set_margin_start(6);
  m_address_bar.pack_start(m_address_label, Gtk::PACK_SHRINK);
  m_address_bar.pack_start(m_address, Gtk::PACK_EXPAND_WIDGET);
  m_address_bar.set_margin_bottom(2);
  m_address.set_input_purpose(Gtk::INPUT_PURPOSE_URL);
  m_address.signal_activate().connect(sigc::mem_fun(*this, &BrowserWindow::on_address_activate));

  m_status.set_xalign(0.0f);
  m_status.set_ellipsize(Pango::ELLIPSIZE_MIDDLE);
  m_status.set_margin_start(6);
  m_progress.set_size_request(120, -1);
  m_progress.set_valign(Gtk::ALIGN_CENTER);
  m_progress.set_no_show_all(true);
  m_status_bar.pack_start(m_status, Gtk::PACK_EXPAND_WIDGET);
  m_status_bar.pack_end(m_progress, Gtk::PACK_SHRINK);
  m_status_bar.set_margin_end(6);
  atk_object_set_accessible_id(m_status_bar.get_accessible()->gobj(), "status-bar");
  atk_object_set_role(m_status_bar.get_accessible()->gobj(), ATK_ROLE_STATUSBAR);

  m_layout.pack_start(m_menu_bar, Gtk::PACK_SHRINK);
  m_layout.pack_start(m_tool_bar, Gtk::PACK_SHRINK);
  m_layout.pack_start(m_address_bar, Gtk::PACK_SHRINK);
  gtk_box_pack_start(m_layout.gobj(), GTK_WIDGET(m_view.get()), TRUE, TRUE, 0);
  m_layout.pack_end(m_status_bar, Gtk::PACK_SHRINK);
  add(m_layout);
  m_layout.show_all();

  connect_web_view_signals();
  update_navigation_buttons();
}

BrowserWindow::~BrowserWindow() {
  m_retry_timer.disconnect();
  if (m_network_handler) g_signal_handler_disconnect(g_network_monitor_get_default(), m_network_handler);
  g_signal_handlers_disconnect_by_data(m_view.get(), this);
  g_object_set_data(G_OBJECT(m_view.get()), kWindowKey, nullptr);
}

BrowserWindow* BrowserWindow::from_view(WebKitWebView* view) {
  return view ? static_cast<BrowserWindow*>(g_object_get_data(G_OBJECT(view), kWindowKey)) : nullptr;
}

// Every signal of the web view, in one place.
void BrowserWindow::connect_web_view_signals() {
  using Self = BrowserWindow;
  g_signal_connect(m_view.get(), "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent e, Self* self) {
    self->on_view_load_changed(e);
  }), this);
  g_signal_connect(m_view.get(), "load-failed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error, Self* self) -> gboolean {
    return self->on_view_load_failed(uri, error);
  }), this);
  g_signal_connect(m_view.get(), "load-failed-with-tls-errors", G_CALLBACK(+[](WebKitWebView*, gchar* uri, GTlsCertificate*, GTlsCertificateFlags, Self* self) -> gboolean {
    return self->on_view_load_failed_with_tls_errors(uri);
  }), this);
  g_signal_connect(m_view.get(), "decide-policy", G_CALLBACK(+[](WebKitWebView*, WebKitPolicyDecision* d, WebKitPolicyDecisionType t, Self* self) -> gboolean {
    return self->on_view_decide_policy(d, t);
  }), this);
  g_signal_connect(m_view.get(), "create", G_CALLBACK(+[](WebKitWebView*, WebKitNavigationAction*, Self* self) -> GtkWidget* {
    WebKitWebView* view = self->on_view_create();
    return view ? GTK_WIDGET(view) : nullptr;
  }), this);
  g_signal_connect(m_view.get(), "script-dialog", G_CALLBACK(+[](WebKitWebView*, WebKitScriptDialog* dialog, Self* self) -> gboolean {
    return self->on_view_script_dialog(dialog);
  }), this);
  g_signal_connect(m_view.get(), "ready-to-show", G_CALLBACK(+[](WebKitWebView*, Self* self) { self->on_view_ready_to_show(); }), this);
  g_signal_connect(m_view.get(), "close", G_CALLBACK(+[](WebKitWebView*, Self* self) { self->on_view_close(); }), this);
  g_signal_connect(m_view.get(), "web-process-terminated", G_CALLBACK(+[](WebKitWebView*, WebKitWebProcessTerminationReason, Self* self) {
    self->on_view_web_process_terminated();
  }), this);
  // Every permission request (location, camera, microphone, notifications...) is refused.
  g_signal_connect(m_view.get(), "permission-request", G_CALLBACK(+[](WebKitWebView*, WebKitPermissionRequest* request, Self*) -> gboolean {
    webkit_permission_request_deny(request);
    return TRUE;
  }), this);
  g_signal_connect(m_view.get(), "notify::title", G_CALLBACK(+[](WebKitWebView*, GParamSpec*, Self* self) { self->on_view_notify_title(); }), this);
  g_signal_connect(m_view.get(), "notify::uri", G_CALLBACK(+[](WebKitWebView*, GParamSpec*, Self* self) { self->on_view_notify_uri(); }), this);
  g_signal_connect(m_view.get(), "notify::estimated-load-progress", G_CALLBACK(+[](WebKitWebView*, GParamSpec*, Self* self) {
    self->on_view_notify_progress();
  }), this);
  g_signal_connect(m_view.get(), "mouse-target-changed", G_CALLBACK(+[](WebKitWebView*, WebKitHitTestResult* hit, guint, Self* self) {
    self->on_view_mouse_target_changed(hit);
  }), this);
  m_network_handler = g_signal_connect(g_network_monitor_get_default(), "network-changed",
                                       G_CALLBACK(+[](GNetworkMonitor*, gboolean available, Self* self) {
                                         self->on_network_changed(available);
                                       }), this);
}

void BrowserWindow::navigate(const std::string& url) {
  if (m_home.empty()) m_home = url;
  m_last_uri = url;
  m_retry_pending = false;
  m_showing_error = false;
  m_retry_timer.disconnect();
  m_ready_state = 1;
  webkit_web_view_load_uri(m_view.get(), url.c_str());
}

void BrowserWindow::set_bar_visible(Bar bar, bool visible) {
  Gtk::Widget* widget = nullptr;
  switch (bar) {
    case Bar::Menu: widget = &m_menu_bar; break;
    case Bar::Tool: widget = &m_tool_bar; break;
    case Bar::Address: widget = &m_address_bar; break;
    case Bar::Status: widget = &m_status_bar; break;
  }
  widget->set_visible(visible);
}

bool BrowserWindow::bar_visible(Bar bar) const {
  switch (bar) {
    case Bar::Menu: return m_menu_bar.get_visible();
    case Bar::Tool: return m_tool_bar.get_visible();
    case Bar::Address: return m_address_bar.get_visible();
    case Bar::Status: return m_status_bar.get_visible();
  }
  return false;
}

void BrowserWindow::set_placement(const Placement& placement) {
  m_placement = placement;
  m_placement_pending = true;
  resize(placement.width, placement.height);
  move(placement.left, placement.top);
}

void BrowserWindow::set_full_screen(bool full_screen) {
  m_full_screen = full_screen;  // known at once; the window manager confirms later
  if (!full_screen) {
    unfullscreen();
    return;
  }
  // GTK sends a new size at its next frame, after the full-screen request would reach the
  // window manager, which would then remember the old size to come back to. Send the
  // placement first, so that leaving full screen returns to the one asked for.
  if (Glib::RefPtr<Gdk::Window> window = get_window(); window && get_visible() && m_placement_pending)
    window->move_resize(m_placement.left, m_placement.top, m_placement.width, m_placement.height);
  fullscreen();
}

std::string BrowserWindow::location() const {
  const char* uri = webkit_web_view_get_uri(m_view.get());
  return uri ? uri : m_last_uri;
}

bool BrowserWindow::busy() const { return webkit_web_view_is_loading(m_view.get()); }

void BrowserWindow::show_status(const Glib::ustring& text) { m_status.set_text(text); }

bool BrowserWindow::on_configure_event(GdkEventConfigure* event) {
  if (event->width == m_placement.width && event->height == m_placement.height) m_placement_pending = false;
  return Gtk::Window::on_configure_event(event);
}

bool BrowserWindow::on_window_state_event(GdkEventWindowState* event) {
  if (event->changed_mask & GDK_WINDOW_STATE_FULLSCREEN)
    m_full_screen = (event->new_window_state & GDK_WINDOW_STATE_FULLSCREEN) != 0;
  return Gtk::Window::on_window_state_event(event);
}

void BrowserWindow::show_error_page(const std::string& heading, const std::string& detail, const std::string& uri) {
  const std::string html =
      "<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>" + escape(heading) +
      "</title><style>body{font-family:sans-serif;margin:12% auto;max-width:36em;color:#333}"
      "h1{font-size:1.4em}p{line-height:1.6}</style></head><body><h1>" + escape(heading) + "</h1><p>" +
      escape(detail) + "</p><p style=\"color:#777\">" + escape(uri) + "</p></body></html>";
  m_showing_error = true;
  webkit_web_view_load_alternate_html(m_view.get(), html.c_str(), uri.c_str(), nullptr);
}

void BrowserWindow::on_view_load_changed(WebKitLoadEvent event) {
  switch (event) {
    case WEBKIT_LOAD_STARTED: m_ready_state = 1; break;
    case WEBKIT_LOAD_REDIRECTED: break;
    case WEBKIT_LOAD_COMMITTED: m_ready_state = 3; break;
    case WEBKIT_LOAD_FINISHED:
      m_ready_state = 4;
      if (!m_scroll_bars)  // WebKit has no switch for a page's scroll bars
        webkit_web_view_evaluate_javascript(m_view.get(), kNoScrollBars, -1, nullptr, nullptr, nullptr, nullptr, nullptr);
      m_progress.hide();
      if (m_status.get_text() == kLoading) m_status.set_text("完成");
      if (!m_retry_pending) m_retry_delay_s = 0;
      break;
  }
  update_navigation_buttons();
}

bool BrowserWindow::on_view_load_failed(const char* uri, GError* error) {
  if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
      g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE) ||
      error->domain == WEBKIT_PLUGIN_ERROR || error->domain == WEBKIT_DOWNLOAD_ERROR)
    return false;  // stopped, or turned into a download: nothing to show
  m_last_uri = uri;
  show_error_page("无法打开此页面", std::string(error->message) + "。网络恢复后将自动重新载入，也可以按 F5 重试。", uri);
  schedule_retry();
  return true;
}

// A certificate that does not check out stops the load; there is no way past it.
bool BrowserWindow::on_view_load_failed_with_tls_errors(const char* uri) {
  m_last_uri = uri;
  show_error_page("连接不安全，已停止载入", "此网站的安全证书无法验证，页面可能被冒充或篡改。", uri);
  return true;
}

bool BrowserWindow::on_view_decide_policy(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) {
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    if (!webkit_response_policy_decision_is_mime_type_supported(response)) {
      webkit_policy_decision_download(decision);
      return true;
    }
    return false;
  }
  // Pages may lead only to web pages: no local files, no other programs' schemes.
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  if (!web_scheme(uri)) {
    webkit_policy_decision_ignore(decision);
    return true;
  }
  return false;
}

WebKitWebView* BrowserWindow::on_view_create() {
  WebKitWebView* view = m_open_window ? m_open_window(m_view.get()) : nullptr;
  if (BrowserWindow* opened = from_view(view); opened && m_opening_features) opened->apply_features(*m_opening_features);
  m_opening_features.reset();
  return view;
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
  for (Gtk::Widget* bar : {static_cast<Gtk::Widget*>(&m_menu_bar), static_cast<Gtk::Widget*>(&m_tool_bar),
                           static_cast<Gtk::Widget*>(&m_address_bar), static_cast<Gtk::Widget*>(&m_status_bar)}) {
    int minimum = 0, natural = 0;
    if (bar->get_visible()) bar->get_preferred_height(minimum, natural);
    chrome += natural;
  }
  Placement placement = m_placement;
  placement.width = features.width.value_or(m_placement.width);
  placement.height = features.height ? *features.height + chrome : m_placement.height;
  placement.left = features.left.value_or(0);
  placement.top = features.top.value_or(0);
  if (features.width || features.height) {
    if (!features.resizable) set_size_request(placement.width, placement.height);
    resize(placement.width, placement.height);
  }
  if (features.left || features.top) move(placement.left, placement.top);
  m_placement = placement;
  if (features.full_screen) set_full_screen(true);
}

// The service's pages ask through prompt() for what only a browser window can do (see
// channel_request); pages elsewhere, and frames of other hosts, get no answer.
bool BrowserWindow::on_view_script_dialog(WebKitScriptDialog* dialog) {
  if (webkit_script_dialog_get_dialog_type(dialog) != WEBKIT_SCRIPT_DIALOG_PROMPT) return false;
  const std::optional<std::string> request = channel_request(webkit_script_dialog_get_message(dialog), m_context.channel());
  if (!request) return false;
  if (request->empty() || !service_page(location())) return true;
  const char* payload = webkit_script_dialog_prompt_get_default_text(dialog);
  if (const std::optional<std::string> answer = on_compatibility_request(*request, payload ? payload : ""))
    webkit_script_dialog_prompt_set_text(dialog, answer->c_str());
  return true;
}

std::optional<std::string> BrowserWindow::on_compatibility_request(const std::string& request,
                                                                   const std::string& payload) {
  if (request == "status") {
    show_status(payload);
    return "";
  }
  if (request == "window-features") {
    m_opening_features = parse_window_features(payload);
    return "";
  }
  if (request == "window-opened") {
    m_opening_features.reset();
    return "";
  }
  Glib::RefPtr<Gtk::Clipboard> clipboard = Gtk::Clipboard::get();
  if (request == "clipboard-set") {
    clipboard->set_text(payload);
    return "";
  }
  if (request == "clipboard-get") return clipboard->wait_is_text_available() ? clipboard->wait_for_text() : "";
  return std::nullopt;
}

void BrowserWindow::on_view_ready_to_show() { present(); }

void BrowserWindow::on_view_close() { close_window(); }

void BrowserWindow::on_view_web_process_terminated() {
  m_ready_state = 4;
  m_progress.hide();
  show_error_page("页面意外停止运行", "显示此页面的进程已终止。请按 F5 重新载入。", location());
}

void BrowserWindow::on_view_notify_title() {
  const char* title = webkit_web_view_get_title(m_view.get());
  set_title(title && *title ? title : kDefaultTitle);
}

void BrowserWindow::on_view_notify_uri() {
  const char* uri = webkit_web_view_get_uri(m_view.get());
  if (!m_address.has_focus()) m_address.set_text(uri ? uri : "");
  if (uri && !m_showing_error) m_last_uri = uri;
}

void BrowserWindow::on_view_notify_progress() {
  const double progress = webkit_web_view_get_estimated_load_progress(m_view.get());
  m_progress.set_fraction(progress);
  m_progress.set_visible(webkit_web_view_is_loading(m_view.get()) && progress < 1.0);
  if (webkit_web_view_is_loading(m_view.get()) && progress < 1.0) m_status.set_text(kLoading);
}

void BrowserWindow::on_view_mouse_target_changed(WebKitHitTestResult* hit) {
  const char* link = webkit_hit_test_result_context_is_link(hit) ? webkit_hit_test_result_get_link_uri(hit) : nullptr;
  m_status.set_text(link ? link : "");
}

void BrowserWindow::on_address_activate() {
  std::string text = m_address.get_text();
  text.erase(0, text.find_first_not_of(" \t"));
  if (text.empty()) return;
  if (text.find("://") == std::string::npos && text != "about:blank") text = "http://" + text;
  if (!web_scheme(text.c_str())) {
    m_status.set_text("只能打开网页地址（http 或 https）");
    return;
  }
  navigate(text);
  gtk_widget_grab_focus(GTK_WIDGET(m_view.get()));
}

void BrowserWindow::schedule_retry() {
  m_retry_pending = true;
  m_retry_delay_s = std::clamp(m_retry_delay_s * 2, 2, kMaxRetryDelay);
  m_retry_timer.disconnect();
  m_retry_timer = Glib::signal_timeout().connect_seconds(
      [this] {
        if (m_retry_pending) navigate(m_last_uri);
        return false;
      },
      static_cast<unsigned>(m_retry_delay_s));
}

void BrowserWindow::on_network_changed(bool available) {
  if (available && m_retry_pending) navigate(m_last_uri);
}

void BrowserWindow::update_navigation_buttons() {
  if (m_back_button) m_back_button->set_sensitive(webkit_web_view_can_go_back(m_view.get()));
  if (m_forward_button) m_forward_button->set_sensitive(webkit_web_view_can_go_forward(m_view.get()));
}

}  // namespace veltrano::browser
