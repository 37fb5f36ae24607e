// The version check's request goes out before the window is built. GTK's start-up keeps the
// window's thread busy for most of a launch, and each step of an exchange (the proxy the
// user's settings give for the URL, the name look-up, connecting, the response) is ready only
// after the last: on the window's thread they would wait for it between steps. Here the
// exchange runs on a thread of its own, from start to end, and the synchronous request for
// the same URL collects its result.
#pragma once

#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/http_exchange.h"

namespace veltrano::platform {

// One exchange from start to end on a thread of its own, as http_exchange does it.
class BackgroundExchange {
 public:
  BackgroundExchange(std::string method, std::string url, const HttpLimits& limits);

  const std::string& method() const noexcept { return m_method; }
  const std::string& url() const noexcept { return m_url; }
  // Waits for the end, and gives what http_exchange would: the response, or its failure.
  HttpResponse wait();

 private:
  static void run(std::stop_token stop, std::string method, std::string url, HttpLimits limits,
                  std::promise<HttpResponse> result);

  std::string m_method;
  std::string m_url;
  std::future<HttpResponse> m_result;
  // Goes first: one still under way is abandoned, and its thread ends before the rest goes.
  std::jthread m_thread;
};

// GET requests started before anybody asks for them. One that nobody has taken is
// abandoned when this goes.
class EarlyRequests {
 public:
  void start(const std::string& url);
  // The request started for this method and URL, if any; it is nobody else's then.
  std::unique_ptr<BackgroundExchange> take(std::string_view method, std::string_view url);

 private:
  std::vector<std::unique_ptr<BackgroundExchange>> m_requests;
};

}  // namespace veltrano::platform
