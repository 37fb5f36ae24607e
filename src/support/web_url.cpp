#include "support/web_url.h"

namespace veltrano::support {

bool http_or_https(const GUri* uri) {
  const char* scheme = g_uri_get_scheme(const_cast<GUri*>(uri));
  return g_ascii_strcasecmp(scheme, "http") == 0 || g_ascii_strcasecmp(scheme, "https") == 0;
}

WebUrl read_web_url(const std::string& text, GUri* base, GUriFlags flags) {
  WebUrl url{GUriPtr(base ? g_uri_parse_relative(base, text.c_str(), flags, nullptr)
                          : g_uri_parse(text.c_str(), flags, nullptr))};
  const char* host = url.uri ? g_uri_get_host(url.uri.get()) : nullptr;
  if (!url.uri)
    url.fault = WebUrlFault::kUnreadable;
  else if (!http_or_https(url.uri.get()))
    url.fault = WebUrlFault::kScheme;
  else if (!host || !*host)
    url.fault = WebUrlFault::kNoHost;
  return url;
}

}  // namespace veltrano::support
