#include "platform/xmlhttp.h"

#include <libsoup/soup.h>

#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>

#include "config.h"
#include "support/glib_ptr.h"

namespace veltrano::platform {

using automation::Error;
using automation::Value;
namespace errc = automation::errc;

namespace {

[[noreturn]] void request_failed(const std::string& why) { throw Error(errc::kRequestFailed, "网络请求失败：" + why); }

GUriPtr parse_web_uri(const std::string& url, GUri* base) {
  ErrorSlot error;
  GUriPtr uri(base ? g_uri_parse_relative(base, url.c_str(), static_cast<GUriFlags>(SOUP_HTTP_URI_FLAGS), error.out())
                   : g_uri_parse(url.c_str(), static_cast<GUriFlags>(SOUP_HTTP_URI_FLAGS), error.out()));
  if (!uri) request_failed("无效的网址“" + url + "”");
  const char* scheme = g_uri_get_scheme(uri.get());
  if (g_ascii_strcasecmp(scheme, "http") != 0 && g_ascii_strcasecmp(scheme, "https") != 0)
    request_failed("不支持的网址协议“" + std::string(scheme) + "”");
  if (!g_uri_get_host(uri.get()) || !*g_uri_get_host(uri.get())) request_failed("网址缺少主机名");
  return uri;
}

// Cancels the request when the deadline passes. The blocking calls below keep the
// window's thread, so the clock has to run on a thread of its own.
class Deadline {
 public:
  Deadline(GCancellable* cancellable, std::chrono::milliseconds after)
      : m_thread([c = GObjectPtr<GCancellable>(G_CANCELLABLE(g_object_ref(cancellable))), after](std::stop_token stop) {
          std::mutex mutex;
          std::condition_variable_any wake;
          std::unique_lock lock(mutex);
          wake.wait_for(lock, stop, after, [] { return false; });
          if (!stop.stop_requested()) g_cancellable_cancel(c.get());
        }) {}

 private:
  std::jthread m_thread;
};

[[noreturn]] void io_failed(const GError* error, GCancellable* cancellable, const HttpLimits& limits) {
  if (g_cancellable_is_cancelled(cancellable))
    request_failed("服务器在 " + std::to_string(limits.deadline.count() / 1000) + " 秒内没有给出完整的回应");
  request_failed(error ? error->message : "未知错误");
}

automation::Bytes read_body(GInputStream* stream, GCancellable* cancellable, const HttpLimits& limits) {
  automation::Bytes body;
  std::uint8_t chunk[16384];
  for (;;) {
    ErrorSlot error;
    const gssize n = g_input_stream_read(stream, chunk, sizeof chunk, cancellable, error.out());
    if (n < 0) io_failed(error.get(), cancellable, limits);
    if (n == 0) return body;
    if (body.size() + static_cast<std::size_t>(n) > limits.max_body)
      request_failed("回应内容超过 " + std::to_string(limits.max_body / 1024) + " KiB");
    body.insert(body.end(), chunk, chunk + n);
  }
}

}  // namespace

HttpResponse http_exchange(const std::string& method, const std::string& url, const HttpLimits& limits) {
  GUriPtr uri = parse_web_uri(url, nullptr);
  GObjectPtr<SoupSession> session(
      soup_session_new_with_options("timeout", static_cast<guint>(limits.io_timeout.count()), "user-agent",
                                    (std::string(config::kProductName) + "/" + config::kFileVersion).c_str(), nullptr));
  GObjectPtr<GCancellable> cancellable(g_cancellable_new());
  const Deadline deadline(cancellable.get(), limits.deadline);

  for (int redirects = 0;; ++redirects) {
    GObjectPtr<SoupMessage> message(soup_message_new_from_uri(method.c_str(), uri.get()));
    soup_message_add_flags(message.get(), SOUP_MESSAGE_NO_REDIRECT);
    ErrorSlot error;
    GObjectPtr<GInputStream> stream(soup_session_send(session.get(), message.get(), cancellable.get(), error.out()));
    if (!stream) io_failed(error.get(), cancellable.get(), limits);

    const auto status = static_cast<int>(soup_message_get_status(message.get()));
    const char* location = soup_message_headers_get_one(soup_message_get_response_headers(message.get()), "Location");
    if (SOUP_STATUS_IS_REDIRECTION(status) && status != SOUP_STATUS_NOT_MODIFIED && location) {
      if (redirects == limits.max_redirects)
        request_failed("重定向超过 " + std::to_string(limits.max_redirects) + " 次");
      uri = parse_web_uri(location, uri.get());
      g_input_stream_close(stream.get(), nullptr, nullptr);
      continue;
    }
    HttpResponse response;
    response.status = status;
    const char* reason = soup_message_get_reason_phrase(message.get());
    response.reason = reason ? reason : "";
    response.body = read_body(stream.get(), cancellable.get(), limits);
    return response;
  }
}

std::span<const automation::Member<XmlHttpRequest>> XmlHttpRequest::members() {
  using M = automation::Member<XmlHttpRequest>;
  static const M kMembers[] = {
      {"Open", nullptr, nullptr, &XmlHttpRequest::open, 3},
      {"send", nullptr, nullptr, &XmlHttpRequest::send, 0},
      {"readyState", &XmlHttpRequest::get_ready_state},
      {"responseBody", &XmlHttpRequest::get_response_body},
      {"status", &XmlHttpRequest::get_status},
      {"statusText", &XmlHttpRequest::get_status_text},
  };
  return kMembers;
}

Value XmlHttpRequest::open(std::span<const Value> args) {
  std::string method = args[0].to_string();
  for (char& c : method) c = g_ascii_toupper(c);
  if (method != "GET" && method != "HEAD") throw Error(errc::kInvalidCall, "不支持的请求方法“" + method + "”");
  if (args[2].to_bool()) throw Error(errc::kInvalidCall, "只支持同步请求");
  m_method = std::move(method);
  m_url = args[1].to_string();
  m_response = {};
  m_ready_state = 1;
  return {};
}

Value XmlHttpRequest::send(std::span<const Value>) {
  if (m_ready_state != 1) throw Error(errc::kWrongState, "请先调用 Open");
  m_response = http_exchange(m_method, m_url, HttpLimits{});
  m_ready_state = 4;
  return {};
}

void XmlHttpRequest::require_complete() const {
  if (m_ready_state != 4) throw Error(errc::kWrongState, "请求尚未完成");
}

Value XmlHttpRequest::get_ready_state() { return m_ready_state; }

Value XmlHttpRequest::get_response_body() {
  require_complete();
  return m_response.body;
}

Value XmlHttpRequest::get_status() {
  require_complete();
  return static_cast<std::int32_t>(m_response.status);
}

Value XmlHttpRequest::get_status_text() {
  require_complete();
  return m_response.reason;
}

}  // namespace veltrano::platform
