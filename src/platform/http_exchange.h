// One HTTP exchange over libsoup, driven on a main context of its own: it can be started
// early, left to move on while the window is built, and waited for later, all on the one
// thread, without a window event being delivered while somebody waits.
#pragma once

#include <libsoup/soup.h>

#include <chrono>
#include <cstddef>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

  // Does whatever the network has made ready. Waits, up to patience, until the request
  // itself has gone out: connecting takes a few steps, each ready only after the last.
  void advance(std::chrono::milliseconds patience = {});
  // Waits for the end; throws automation::Error for anything that keeps a complete
  // response from arriving.
  HttpResponse wait();

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
  bool m_sent = false;  // the request is on its way to the server
  bool m_finished = false;
  HttpResponse m_response;
  std::exception_ptr m_failure;
};

// GET requests started before anybody asks for them: the version check goes out while the
// window is being built, and the synchronous request for the same URL takes it over in
// flight. One that nobody has taken is cancelled when this goes.
class EarlyRequests {
 public:
  void start(const std::string& url);
  // Moves every request on as far as the network allows, waiting up to patience for each
  // to have gone out.
  void advance(std::chrono::milliseconds patience = {});
  // The request started for this method and URL, if any; it is nobody else's then.
  std::unique_ptr<HttpExchange> take(std::string_view method, std::string_view url);

 private:
  std::vector<std::unique_ptr<HttpExchange>> m_requests;
};

// An exchange from start to end, as the synchronous request does it.
HttpResponse http_exchange(const std::string& method, const std::string& url, const HttpLimits& limits);

}  // namespace veltrano::platform
