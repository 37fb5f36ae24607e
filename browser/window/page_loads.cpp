#include "page_loads.h"

#include <glibmm/markup.h>

#include "config.h"
#include "resources.h"

namespace veltrano::browser {
namespace {

constexpr char kWarmUpPage[] = "<!DOCTYPE html><meta charset=\"utf-8\"><body>电子走势图 0123456789</body>";

Glib::ustring escape(const std::string& text) { return Glib::Markup::escape_text(text); }

}  // namespace

PageLoads::PageLoads(WebKitWebView* view, UserGestures& gestures)
    : m_view(view), m_gestures(gestures), m_reload_when_online([this] { navigate(m_last_uri); }) {}

void PageLoads::navigate(const std::string& url) {
  if (m_home.empty()) m_home = url;
  m_gestures.asked_for_load();
  m_last_uri = url;
  m_showing_error = false;
  m_reload_when_online.call_off();
  m_ready_state = ReadyState::Loading;
  webkit_web_view_load_uri(m_view, url.c_str());
}

void PageLoads::go_home() {
  if (!m_home.empty()) navigate(m_home);
}

void PageLoads::reload() {
  // Our own error page stands in for m_last_uri: load the page itself again.
  if (m_showing_error && !m_last_uri.empty()) {
    navigate(m_last_uri);
  } else {
    m_gestures.asked_for_load();
    webkit_web_view_reload(m_view);
  }
}

void PageLoads::load_blank() {
  m_started_blank = true;
  const std::string base = std::string("http://") + config::kContentHost + "/";
  webkit_web_view_load_alternate_html(m_view, kWarmUpPage, base.c_str(), nullptr);
}

std::string PageLoads::location() const {
  const char* uri = webkit_web_view_get_uri(m_view);
  return uri ? uri : m_last_uri;
}

void PageLoads::changed(WebKitLoadEvent event) {
  switch (event) {
    case WEBKIT_LOAD_STARTED:
      m_ready_state = ReadyState::Loading;
      m_gestures.load_started();
      break;
    case WEBKIT_LOAD_REDIRECTED: break;
    case WEBKIT_LOAD_COMMITTED:
      m_ready_state = ReadyState::Interactive;
      m_committed = location();
      break;
    case WEBKIT_LOAD_FINISHED:
      m_ready_state = ReadyState::Complete;
      m_reload_when_online.loaded();
      break;
  }
}

bool PageLoads::failed(const char* uri, const GError* error) {
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
void PageLoads::failed_for_certificate(const char* uri) {
  m_last_uri = uri;
  show_error_page("连接不安全，已停止载入", "此网站的安全证书无法验证，页面可能被冒充或篡改。", uri);
}

void PageLoads::process_ended() {
  m_ready_state = ReadyState::Complete;
  show_error_page("页面意外停止运行", "显示此页面的进程已终止。请按 F5 重新载入。", location());
}

void PageLoads::uri_changed() {
  const char* uri = webkit_web_view_get_uri(m_view);
  if (uri && !m_showing_error) m_last_uri = uri;
}

void PageLoads::show_error_page(const std::string& heading, const std::string& detail, const std::string& uri) {
  static const std::string page = resource_text("error-page.html");
  const std::string html =
      fill_template(page, {{"HEADING", escape(heading)}, {"DETAIL", escape(detail)}, {"URI", escape(uri)}});
  m_showing_error = true;
  webkit_web_view_load_alternate_html(m_view, html.c_str(), uri.c_str(), nullptr);
}

}  // namespace veltrano::browser
