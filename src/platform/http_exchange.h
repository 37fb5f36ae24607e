// One HTTP exchange over libsoup, driven on a main context of its own, so that no window
// event is delivered while the window's thread waits for it. Every step runs on the thread
// that made the exchange: the window's for a request a page of the program makes, a thread
// of its own for the one started before the window (early_requests.h).
#pragma once

#include <libsoup/soup.h>

#include <chrono>
#include <cstddef>
#include <exception>
#include <string>

#include "automation/value.h"
#include "support/glib_ptr.h"

namespace veltrano::platform {

// What a request may cost at most. The whole exchange, redirects included, ends by the
// deadline; a body over max_body (after content decoding) fails the request.
struct HttpLimits {
  std::chrono::milliseconds deadline{8000};
  std::chrono::seconds io_timeout{5};
  int max_redirects = 5;
  std::size_t max_body = 1 << 20;
};

struct HttpResponse {
  int status = 0;
  std::string reason;
  automation::Bytes body;
};

// Follows redirects between http and https URLs only. The deadline runs from the start.
class HttpExchange {
 public:
  HttpExchange(std::string method, std::string url, const HttpLimits& limits);
  // An exchange still under way is cancelled, and libsoup is given back everything it holds.
  ~HttpExchange();
  HttpExchange(const HttpExchange&) = delete;
  HttpExchange& operator=(const HttpExchange&) = delete;

  const std::string& method() const noexcept { return m_method; }
  const std::string& url() const noexcept { return m_url; }
  bool finished() const noexcept { return m_finished; }

  // Waits for the end; throws automation::Error for anything that keeps a complete
  // response from arriving.
  HttpResponse wait();
  // Safe from any thread: the exchange is cancelled on its own thread, the one libsoup's
  // state belongs to, and wait() ends soon after.
  void abandon();

 private:
  void send(GUri* uri);
  void on_sent(GAsyncResult* result);
  void read_more();
  void on_read(GAsyncResult* result);
  void fail(std::string why);
  void fail_io(const GError* error);
  void finish();

  std::string m_method;
  std::string m_url;
  HttpLimits m_limits;
  GMainContextPtr m_context;  // goes last, after everything attached to it
  GObjectPtr<SoupSession> m_session;
  GObjectPtr<GCancellable> m_cancellable;
  GSourcePtr m_deadline;
  GUriPtr m_uri;
  GObjectPtr<SoupMessage> m_message;
  GObjectPtr<GInputStream> m_stream;
  int m_redirects = 0;
  bool m_busy = false;  // an asynchronous call is under way and will call back
  bool m_finished = false;
  HttpResponse m_response;
  std::exception_ptr m_failure;
};

// An exchange from start to end, as the synchronous request does it.
HttpResponse http_exchange(const std::string& method, const std::string& url, const HttpLimits& limits);

}  // namespace veltrano::platform
