// "MSXML2.XMLHTTP": a synchronous HTTP request over libsoup.
#pragma once

#include <chrono>
#include <cstddef>
#include <span>
#include <string>

#include "automation/object.h"

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

// One exchange, following redirects between http and https URLs only. Throws
// automation::Error for anything that keeps a complete response from arriving.
HttpResponse http_exchange(const std::string& method, const std::string& url, const HttpLimits& limits);

class XmlHttpRequest : public automation::TableObject<XmlHttpRequest> {
 public:
  static std::span<const automation::Member<XmlHttpRequest>> members();

  automation::Value open(std::span<const automation::Value> args);
  automation::Value send(std::span<const automation::Value> args);
  automation::Value get_ready_state();
  automation::Value get_response_body();
  automation::Value get_status();
  automation::Value get_status_text();

 private:
  void require_complete() const;

  std::string m_method;
  std::string m_url;
  std::int32_t m_ready_state = 0;  // 0 unsent, 1 opened, 4 complete
  HttpResponse m_response;
};

}  // namespace veltrano::platform
