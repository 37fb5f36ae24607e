#include "platform/xmlhttp.h"

#include <glib.h>

namespace veltrano::platform {

using automation::Error;
using automation::Value;
namespace errc = automation::errc;

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
  m_ready_state = kOpened;
  return {};
}

Value XmlHttpRequest::send(std::span<const Value>) {
  if (m_ready_state != kOpened) throw Error(errc::kWrongState, "请先调用 Open");
  if (std::unique_ptr<BackgroundExchange> early = m_early ? m_early->take(m_method, m_url) : nullptr)
    m_response = early->wait();
  else
    m_response = http_exchange(m_method, m_url, HttpLimits{});
  m_ready_state = kComplete;
  return {};
}

void XmlHttpRequest::require_complete() const {
  if (m_ready_state != kComplete) throw Error(errc::kWrongState, "请求尚未完成");
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
