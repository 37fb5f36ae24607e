#include "platform/http_exchange.h"

#include "automation/error.h"
#include "config.h"
#include "support/web_url.h"

namespace veltrano::platform {

using automation::Error;
namespace errc = automation::errc;

namespace {

constexpr gsize kChunk = 16384;

Error request_failed(const std::string& why) { return Error(errc::kRequestFailed, "网络请求失败：" + why); }

GUriPtr parse_web_uri(const std::string& url, GUri* base) {
  support::WebUrl web = support::read_web_url(url, base, static_cast<GUriFlags>(SOUP_HTTP_URI_FLAGS));
  switch (web.fault) {
    case support::WebUrlFault::kNone: return std::move(web.uri);
    case support::WebUrlFault::kUnreadable: throw request_failed("无效的网址“" + url + "”");
    case support::WebUrlFault::kScheme:
      throw request_failed("不支持的网址协议“" + std::string(g_uri_get_scheme(web.uri.get())) + "”");
    case support::WebUrlFault::kNoHost: break;
  }
  throw request_failed("网址缺少主机名");
}

}  // namespace

HttpExchange::HttpExchange(std::string method, std::string url, const HttpLimits& limits)
    : m_method(std::move(method)),
      m_url(std::move(url)),
      m_limits(limits),
      m_context(g_main_context_new()),
      m_cancellable(g_cancellable_new()) {
  const ThreadDefaultContext scope(m_context.get());
  try {
    m_uri = parse_web_uri(m_url, nullptr);
  } catch (...) {
    m_failure = std::current_exception();
    m_finished = true;
    return;
  }
  m_session.reset(
      soup_session_new_with_options("timeout", static_cast<guint>(m_limits.io_timeout.count()), "user-agent",
                                    (std::string(config::kProductName) + "/" + config::kFileVersion).c_str(), nullptr));
  // The clock runs on the exchange's context: while nobody iterates it, it fires as soon
  // as somebody does, and the exchange ends then.
  m_deadline.reset(g_timeout_source_new(static_cast<guint>(m_limits.deadline.count())));
  g_source_set_callback(
      m_deadline.get(),
      +[](gpointer cancellable) {
        g_cancellable_cancel(static_cast<GCancellable*>(cancellable));
        return G_SOURCE_REMOVE;
      },
      m_cancellable.get(), nullptr);
  g_source_attach(m_deadline.get(), m_context.get());
  send(m_uri.get());
}

HttpExchange::~HttpExchange() {
  if (!m_busy) return;
  const ThreadDefaultContext scope(m_context.get());
  g_cancellable_cancel(m_cancellable.get());
  while (m_busy) g_main_context_iteration(m_context.get(), TRUE);
}

HttpResponse HttpExchange::wait() {
  {
    const ThreadDefaultContext scope(m_context.get());
    while (!m_finished) g_main_context_iteration(m_context.get(), TRUE);
  }
  if (m_failure) std::rethrow_exception(m_failure);
  return std::move(m_response);
}

// GIO lets a cancellable be cancelled from any thread, but its handlers then run on that
// thread, and libsoup's would meet its state there while the exchange's thread uses it.
void HttpExchange::abandon() {
  g_main_context_invoke_full(
      m_context.get(), G_PRIORITY_DEFAULT,
      +[](gpointer cancellable) {
        g_cancellable_cancel(static_cast<GCancellable*>(cancellable));
        return G_SOURCE_REMOVE;
      },
      g_object_ref(m_cancellable.get()), g_object_unref);
}

void HttpExchange::send(GUri* uri) {
  m_message.reset(soup_message_new_from_uri(m_method.c_str(), uri));
  soup_message_add_flags(m_message.get(), SOUP_MESSAGE_NO_REDIRECT);
  m_busy = true;
  soup_session_send_async(
      m_session.get(), m_message.get(), G_PRIORITY_DEFAULT, m_cancellable.get(),
      +[](GObject*, GAsyncResult* result, gpointer self) { static_cast<HttpExchange*>(self)->on_sent(result); }, this);
}

void HttpExchange::on_sent(GAsyncResult* result) {
  m_busy = false;
  ErrorSlot error;
  m_stream.reset(soup_session_send_finish(m_session.get(), result, error.out()));
  if (!m_stream) return fail_io(error.get());

  const auto status = static_cast<int>(soup_message_get_status(m_message.get()));
  const char* location = soup_message_headers_get_one(soup_message_get_response_headers(m_message.get()), "Location");
  if (SOUP_STATUS_IS_REDIRECTION(status) && status != SOUP_STATUS_NOT_MODIFIED && location) {
    if (m_redirects == m_limits.max_redirects)
      return fail("重定向超过 " + std::to_string(m_limits.max_redirects) + " 次");
    ++m_redirects;
    try {
      m_uri = parse_web_uri(location, m_uri.get());
    } catch (...) {
      m_failure = std::current_exception();
      return finish();
    }
    m_stream.reset();
    return send(m_uri.get());
  }
  m_response.status = status;
  const char* reason = soup_message_get_reason_phrase(m_message.get());
  m_response.reason = reason ? reason : "";
  read_more();
}

void HttpExchange::read_more() {
  m_busy = true;
  g_input_stream_read_bytes_async(
      m_stream.get(), kChunk, G_PRIORITY_DEFAULT, m_cancellable.get(),
      +[](GObject*, GAsyncResult* result, gpointer self) { static_cast<HttpExchange*>(self)->on_read(result); }, this);
}

void HttpExchange::on_read(GAsyncResult* result) {
  m_busy = false;
  ErrorSlot error;
  const GBytesPtr chunk(g_input_stream_read_bytes_finish(m_stream.get(), result, error.out()));
  if (!chunk) return fail_io(error.get());
  gsize size = 0;
  const auto* data = static_cast<const std::uint8_t*>(g_bytes_get_data(chunk.get(), &size));
  if (size == 0) return finish();
  automation::Bytes& body = m_response.body;
  if (body.size() + size > m_limits.max_body)
    return fail("回应内容超过 " + std::to_string(m_limits.max_body / 1024) + " KiB");
  body.insert(body.end(), data, data + size);
  read_more();
}

void HttpExchange::fail(std::string why) {
  m_failure = std::make_exception_ptr(request_failed(why));
  finish();
}

void HttpExchange::fail_io(const GError* error) {
  if (g_cancellable_is_cancelled(m_cancellable.get()))
    return fail("服务器在 " + std::to_string(m_limits.deadline.count() / 1000) + " 秒内没有给出完整的回应");
  fail(error ? error->message : "未知错误");
}

// The connection goes back to libsoup, or is closed with the session.
void HttpExchange::finish() {
  m_finished = true;
  m_deadline.reset();
  m_stream.reset();
}

HttpResponse http_exchange(const std::string& method, const std::string& url, const HttpLimits& limits) {
  return HttpExchange(method, url, limits).wait();
}

}  // namespace veltrano::platform
