// "MSXML2.XMLHTTP": a synchronous HTTP request over libsoup.
#pragma once

#include <span>
#include <string>

#include "automation/object.h"
#include "platform/early_requests.h"

namespace veltrano::platform {

class XmlHttpRequest : public automation::TableObject<XmlHttpRequest> {
 public:
  // early: requests started before this object was made, for send to take over.
  explicit XmlHttpRequest(EarlyRequests* early = nullptr) : m_early(early) {}
  static std::span<const automation::Member<XmlHttpRequest>> members();

  automation::Value open(std::span<const automation::Value> args);
  automation::Value send(std::span<const automation::Value> args);
  automation::Value get_ready_state();
  automation::Value get_response_body();
  automation::Value get_status();
  automation::Value get_status_text();

 private:
  // "readyState" as the class has always numbered it; a synchronous request shows no others.
  static constexpr std::int32_t kUnsent = 0, kOpened = 1, kComplete = 4;
  void require_complete() const;

  EarlyRequests* m_early;
  std::string m_method;
  std::string m_url;
  std::int32_t m_ready_state = kUnsent;
  HttpResponse m_response;
};

}  // namespace veltrano::platform
