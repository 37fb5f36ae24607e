#include "platform/early_requests.h"

#include <stop_token>

namespace veltrano::platform {

BackgroundExchange::BackgroundExchange(std::string method, std::string url, const HttpLimits& limits)
    : m_method(std::move(method)), m_url(std::move(url)) {
  std::promise<HttpResponse> result;
  m_result = result.get_future();
  m_thread = std::jthread(&BackgroundExchange::run, m_method, m_url, limits, std::move(result));
}

HttpResponse BackgroundExchange::wait() { return m_result.get(); }

void BackgroundExchange::run(std::stop_token stop, std::string method, std::string url, HttpLimits limits,
                             std::promise<HttpResponse> result) {
  try {
    HttpExchange exchange(std::move(method), std::move(url), limits);
    // Called at once if the stop came while the exchange was being made.
    const std::stop_callback abandon(stop, [&exchange] { exchange.abandon(); });
    result.set_value(exchange.wait());
  } catch (...) {
    result.set_exception(std::current_exception());
  }
}

void EarlyRequests::start(const std::string& url) {
  m_requests.push_back(std::make_unique<BackgroundExchange>("GET", url, HttpLimits{}));
}

std::unique_ptr<BackgroundExchange> EarlyRequests::take(std::string_view method, std::string_view url) {
  for (auto it = m_requests.begin(); it != m_requests.end(); ++it) {
    if ((*it)->method() == method && (*it)->url() == url) {
      std::unique_ptr<BackgroundExchange> request = std::move(*it);
      m_requests.erase(it);
      return request;
    }
  }
  return nullptr;
}

}  // namespace veltrano::platform
