#include "browser_window.h"

#include <glibmm/main.h>

#include <utility>

#include "addresses.h"
#include "resources.h"
#include "support/glib_signal.h"
#include "web_context.h"

namespace veltrano::browser {
namespace {

constexpr char kWindowKey[] = "veltrano-browser-window";
constexpr char kDefaultTitle[] = "电子走势图";

}  // namespace

BrowserWindow::BrowserWindow(const WebContext& context, WebKitWebView* related_view, OpenWindow open_window)
    : m_context(context),
      m_view(WEBKIT_WEB_VIEW(g_object_ref_sink(context.new_view(related_view)))),
      m_gestures(GTK_WIDGET(m_view.get()), [this](const std::string& text) { show_status(text); }),
      m_printing(*this, m_view.get(), m_gestures, [this](const std::string& text) { show_status(text); }),
      m_unresponsive(m_view.get(), [this] { close(); }),
      m_show(*this, [this](const std::string& url) { navigate(url); }),
      m_loads(m_view.get(), m_gestures),
      m_open_window(std::move(open_window)),
      m_address_bar([this](const std::string& url) { on_address_go(url); },
                    [this](const std::string& why) { show_status(why); }),
      m_status_bar(context.sandbox_mode() == SandboxMode::OptedOut),
      m_requests(
          context.channel(), m_gestures, [this](const Glib::ustring& text) { show_status(text); },
          [this](WindowAsk ask, int x, int y) { on_page_asks(ask, x, y); }),
      m_dialog_hold(*this, m_view.get(), [this] { close_soon(); }) {
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

Gtk::Widget& BrowserWindow::bar_widget(Bar bar) {
  switch (bar) {
    case Bar::Menu: return m_controls.menu_bar();
    case Bar::Tool: return m_controls.tool_bar();
    case Bar::Address: return m_address_bar;
    case Bar::Status: break;
  }
  return m_status_bar;
}

bool BrowserWindow::bar_visible(Bar bar) const {
  return const_cast<BrowserWindow*>(this)->bar_widget(bar).get_visible();
}

void BrowserWindow::on_view_load_changed(WebKitWebView*, WebKitLoadEvent event) {
  m_loads.changed(event);
  if (event == WEBKIT_LOAD_FINISHED) {
    if (!m_scroll_bars) {  // WebKit has no switch for a page's scroll bars
      static const std::string no_scroll_bars = resource_text("no-scroll-bars.js");
      webkit_web_view_evaluate_javascript(m_view.get(), no_scroll_bars.c_str(), -1, nullptr, nullptr, nullptr, nullptr,
                                          nullptr);
    }
    m_status_bar.load_finished();
    m_show.warm_up_done();
  }
  m_controls.update_navigation();
}

gboolean BrowserWindow::on_view_decide_policy(WebKitWebView*, WebKitPolicyDecision* decision,
                                              WebKitPolicyDecisionType type) {
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    if (webkit_response_policy_decision_is_mime_type_supported(response)) return false;
    m_gestures.decide_download(response);
    return true;
  }
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  const std::optional<std::string_view> refused =
      navigation_refusal(webkit_uri_request_get_uri(webkit_navigation_action_get_request(action)));
  if (!refused) return false;
  if (!refused->empty()) show_status(std::string(*refused));
  webkit_policy_decision_ignore(decision);
  return true;
}

// A new window for window.open or a link's target: to a web page, once per click.
GtkWidget* BrowserWindow::on_view_create(WebKitWebView*, WebKitNavigationAction* action) {
  const char* uri = webkit_uri_request_get_uri(webkit_navigation_action_get_request(action));
  if (!m_gestures.allow_window(uri)) return nullptr;
  WebKitWebView* view = m_open_window ? m_open_window(m_view.get()) : nullptr;
  const std::optional<WindowFeatures> features = m_requests.take_opening_features(uri ? uri : "");
  if (BrowserWindow* opened = from_view(view); opened && features) opened->apply_features(*features);
  if (view) m_dialog_hold.opened(view);
  return view ? GTK_WIDGET(view) : nullptr;
}

// WebKit does not say which frame asked: the channel answers by the document the main frame
// holds, never by an address still loading. A frame of another host never has the secret.
gboolean BrowserWindow::on_view_script_dialog(WebKitWebView*, WebKitScriptDialog* dialog) {
  return m_requests.handle(dialog, m_loads.committed());
}

// The idle source goes with the window.
void BrowserWindow::close_soon() { Glib::signal_idle().connect_once(sigc::mem_fun(*this, &BrowserWindow::close)); }

// window.print(): the same dialog as the menu's command and Ctrl+P, if the page may.
gboolean BrowserWindow::on_view_print(WebKitWebView*, WebKitPrintOperation* operation) {
  m_printing.page_asks(operation);
  return true;
}

void BrowserWindow::on_view_web_process_terminated(WebKitWebView*, WebKitWebProcessTerminationReason) {
  m_dialog_hold.lost();
  m_status_bar.load_finished();
  if (!m_show.warm_up_done()) m_loads.process_ended();  // else nothing of the user's was lost with it
}

// The title, the address and the progress, as the view changes them.
void BrowserWindow::on_view_notify_title(WebKitWebView*, GParamSpec*) {
  const char* title = webkit_web_view_get_title(m_view.get());
  set_title(title && *title ? title : kDefaultTitle);
}

void BrowserWindow::on_view_notify_uri(WebKitWebView*, GParamSpec*) {
  const char* uri = webkit_web_view_get_uri(m_view.get());
  m_address_bar.show_address(uri);
  m_loads.uri_changed();
}

void BrowserWindow::on_view_notify_estimated_load_progress(WebKitWebView*, GParamSpec*) {
  const double progress = webkit_web_view_get_estimated_load_progress(m_view.get());
  const bool loading = webkit_web_view_is_loading(m_view.get()) && progress < 1.0;
  m_status_bar.show_progress(progress, loading);
}

void BrowserWindow::on_view_mouse_target_changed(WebKitWebView*, WebKitHitTestResult* hit, guint) {
  m_status_bar.show_link(webkit_hit_test_result_context_is_link(hit) ? webkit_hit_test_result_get_link_uri(hit) : "");
}

void BrowserWindow::on_address_go(const std::string& url) {
  navigate(url);
  gtk_widget_grab_focus(GTK_WIDGET(m_view.get()));
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

// Closing waits until the page's script has run; a script's wait for a dialog is the dialog
// hold's; the rest is the window's place and size.
void BrowserWindow::on_page_asks(WindowAsk ask, int x, int y) {
  switch (ask) {
    case WindowAsk::Close: close_soon(); return;
    case WindowAsk::DialogWait: m_dialog_hold.begin(); return;
    case WindowAsk::DialogWaited: m_dialog_hold.end(); return;
    default: m_placement.page_asks(ask, x, y);
  }
}

}  // namespace veltrano::browser
