#include "addresses.h"

#include <gio/gio.h>
#include <glib.h>

#include <algorithm>

#include "config.h"
#include "support/glib_ptr.h"
#include "support/web_url.h"

namespace veltrano::browser {
namespace {

constexpr const char* kServiceHosts[] = {config::kContentHost, config::kHomeHost};

GUriPtr parse(std::string_view text) {
  const std::string copy(text);
  return GUriPtr(g_uri_parse(copy.c_str(), G_URI_FLAGS_NONE, nullptr));
}

// "chart.example.com:8080" -> "chart.example.com": the build may name a port.
std::string_view host_name(std::string_view host) { return host.substr(0, host.rfind(':')); }

}  // namespace

bool acceptable_url(const std::string& url) {
  if (url == "about:blank") return true;
  if (url.size() > 8192 || !g_utf8_validate(url.data(), static_cast<gssize>(url.size()), nullptr)) return false;
  const support::WebUrl web = support::read_web_url(url);
  return web.fault == support::WebUrlFault::kNone && !g_uri_get_userinfo(web.uri.get());
}

bool has_user_info(std::string_view url) {
  const GUriPtr uri = parse(url);
  return uri && g_uri_get_userinfo(uri.get());
}

std::optional<std::string_view> navigation_refusal(std::string_view uri) {
  if (!web_scheme(uri)) return "";
  if (has_user_info(uri)) return kUserInfoRefused;
  return std::nullopt;
}

bool popup_target(std::string_view uri) {
  if (uri.empty() || uri == "about:blank") return true;
  const GUriPtr parsed = parse(uri);
  return parsed && support::http_or_https(parsed.get());
}

bool web_scheme(std::string_view uri) {
  const std::string copy(uri);
  g_autofree gchar* scheme = g_uri_parse_scheme(copy.c_str());
  if (!scheme) return false;
  for (const char* allowed : {"http", "https", "about", "data", "blob"})
    if (g_ascii_strcasecmp(scheme, allowed) == 0) return true;
  return false;
}

bool service_page(std::string_view text) {
  const support::WebUrl web = support::read_web_url(std::string(text));
  if (web.fault != support::WebUrlFault::kNone) return false;
  const std::string_view host = g_uri_get_host(web.uri.get());
  return std::any_of(std::begin(kServiceHosts), std::end(kServiceHosts), [&](const char* service) {
    const std::string_view name = host_name(service);
    return name.size() == host.size() && g_ascii_strncasecmp(name.data(), host.data(), name.size()) == 0;
  });
}

std::vector<std::string> service_url_patterns() {
  std::vector<std::string> patterns;
  for (const char* service : kServiceHosts)
    for (const char* scheme : {"http", "https"})
      patterns.push_back(std::string(scheme) + "://" + std::string(host_name(service)) + "/*");
  return patterns;
}

}  // namespace veltrano::browser
