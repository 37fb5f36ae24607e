#include "policy.h"

#include <gio/gio.h>
#include <glib.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <map>
#include <memory>

#include "config.h"
#include "support/glib_ptr.h"
#include "support/text.h"
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

std::string trimmed_lower(std::string_view text) {
  std::string out(support::trimmed(text));
  for (char& c : out) c = g_ascii_tolower(c);
  return out;
}

// The old browser kept a pop-up at least this many pixels each way.
constexpr int kLeastPopupSize = 100;

// "yes", "true", "on" or no value at all turn a feature on; a number turns it on unless 0.
bool feature_on(std::string_view value) {
  if (value.empty() || value == "yes" || value == "true" || value == "on") return true;
  int number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  return error == std::errc() && number != 0;
}

// "300", "300px", " 300 ": a whole number of pixels, or nothing.
std::optional<int> feature_pixels(std::string_view value) {
  int number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error != std::errc() || end == value.data()) return std::nullopt;
  const std::string_view rest(end, static_cast<std::size_t>(value.data() + value.size() - end));
  if (!rest.empty() && rest != "px") return std::nullopt;
  return number;
}

// "300px", "-20", "1e3": the whole number a value starts with, as a page's script reads it.
std::optional<int> leading_number(std::string_view value) {
  if (value.starts_with('+')) value.remove_prefix(1);
  int number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error != std::errc()) return std::nullopt;
  return number;
}

struct FeatureItem {
  std::string name;
  std::optional<std::string> value;  // nothing: the item has no assigner at all
};

// "a=1, B = yes ,c": the items apart at any of separators, each name from its value at the
// first of assigners; both trimmed and in lower case.
std::vector<FeatureItem> feature_items(std::string_view text, std::string_view separators, std::string_view assigners) {
  std::vector<FeatureItem> items;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find_first_of(separators, start), text.size());
    const std::string_view item = text.substr(start, end - start);
    start = end + 1;
    const std::size_t at = item.find_first_of(assigners);
    items.push_back({trimmed_lower(item.substr(0, at)),
                     at == std::string_view::npos ? std::nullopt : std::optional(trimmed_lower(item.substr(at + 1)))});
  }
  return items;
}

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

bool network_failure(unsigned domain, int code) {
  if (domain == G_RESOLVER_ERROR)
    return code == G_RESOLVER_ERROR_NOT_FOUND || code == G_RESOLVER_ERROR_TEMPORARY_FAILURE;
  if (domain != G_IO_ERROR) return false;
  switch (code) {
    case G_IO_ERROR_HOST_UNREACHABLE:
    case G_IO_ERROR_NETWORK_UNREACHABLE:
    case G_IO_ERROR_CONNECTION_REFUSED:
    case G_IO_ERROR_CONNECTION_CLOSED:  // reset by the peer; a broken pipe too
    case G_IO_ERROR_NOT_CONNECTED:
    case G_IO_ERROR_TIMED_OUT: return true;
    default: return false;
  }
}

std::string shortened(std::string_view text, std::size_t max_bytes) {
  if (text.size() <= max_bytes) return std::string(text);
  std::size_t end = max_bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;  // inside a character
  return std::string(text.substr(0, end)) + "…";
}

bool web_scheme(std::string_view uri) {
  const std::string copy(uri);
  g_autofree gchar* scheme = g_uri_parse_scheme(copy.c_str());
  if (!scheme) return false;
  for (const char* allowed : {"http", "https", "about", "data", "blob"})
    if (g_ascii_strcasecmp(scheme, allowed) == 0) return true;
  return false;
}

std::string safe_file_name(const char* suggested) {
  std::string name = suggested ? std::filesystem::path(suggested).filename().string() : std::string();
  for (char& c : name)
    if (c == '/' || static_cast<unsigned char>(c) < 0x20) c = '_';
  while (!name.empty() && name.front() == '.') name.erase(0, 1);
  return name.empty() ? std::string("下载文件") : name;
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

std::optional<std::string> channel_request(std::string_view message, std::string_view secret) {
  static constexpr std::string_view kMark = "\x01veltrano:";
  if (!message.starts_with(kMark)) return std::nullopt;
  message.remove_prefix(kMark.size());
  if (secret.empty() || !message.starts_with(secret) || message.size() <= secret.size() ||
      message[secret.size()] != ':')
    return std::string();
  return std::string(message.substr(secret.size() + 1));
}

WindowFeatures parse_window_features(std::string_view features) {
  WindowFeatures result;
  if (trimmed_lower(features).empty()) return result;
  result.menu_bar = result.tool_bar = result.address_bar = result.status_bar = false;
  result.scroll_bars = result.resizable = false;
  struct Switch {
    std::string_view name;
    bool WindowFeatures::*field;
  };
  static constexpr Switch kSwitches[] = {
      {"menubar", &WindowFeatures::menu_bar},       {"toolbar", &WindowFeatures::tool_bar},
      {"location", &WindowFeatures::address_bar},   {"status", &WindowFeatures::status_bar},
      {"scrollbars", &WindowFeatures::scroll_bars}, {"resizable", &WindowFeatures::resizable},
      {"fullscreen", &WindowFeatures::full_screen},
  };
  struct Number {
    std::string_view name;
    std::optional<int> WindowFeatures::*field;
    int least;
  };
  static constexpr Number kNumbers[] = {
      {"left", &WindowFeatures::left, -kMaxCoordinate},
      {"top", &WindowFeatures::top, -kMaxCoordinate},
      {"width", &WindowFeatures::width, kLeastPopupSize},
      {"height", &WindowFeatures::height, kLeastPopupSize},
  };
  for (const FeatureItem& item : feature_items(features, ",", "=")) {
    const std::string value = item.value.value_or("");
    for (const Switch& s : kSwitches)
      if (item.name == s.name) result.*(s.field) = feature_on(value);
    for (const Number& n : kNumbers)
      if (item.name == n.name)
        if (const std::optional<int> pixels = feature_pixels(value))
          result.*(n.field) = std::clamp(*pixels, n.least, kMaxCoordinate);
  }
  return result;
}

WindowFeatures parse_dialog_features(std::string_view features, int screen_width, int screen_height) {
  std::map<std::string, std::string> values;  // the last of each name counts
  for (FeatureItem& item : feature_items(features, ";,", ":="))
    if (!item.name.empty() && item.value) values[item.name] = std::move(*item.value);
  const auto given = [&](const char* name) {
    const auto found = values.find(name);
    return found == values.end() ? std::optional<std::string_view>() : std::optional<std::string_view>(found->second);
  };
  const auto on = [&](const char* name, bool fallback) { return given(name) ? feature_on(*given(name)) : fallback; };
  const auto pixels = [&](const char* name, int fallback) {
    const std::optional<int> number = given(name) ? leading_number(*given(name)) : std::nullopt;
    return number && *number != 0 ? *number : fallback;
  };
  const bool placed = !given("dialogleft").value_or("").empty() || !given("dialogtop").value_or("").empty();
  const bool centred = on("center", true) && !placed;
  const int width = pixels("dialogwidth", 400), height = pixels("dialogheight", 300);
  const int left = centred ? std::max(0, (screen_width - width) / 2) : pixels("dialogleft", 0);
  const int top = centred ? std::max(0, (screen_height - height) / 2) : pixels("dialogtop", 0);
  WindowFeatures result;
  result.menu_bar = result.tool_bar = result.address_bar = false;
  result.status_bar = on("status", false);
  result.resizable = on("resizable", false);
  result.scroll_bars = on("scroll", true);
  result.width = std::clamp(width, kLeastPopupSize, kMaxCoordinate);
  result.height = std::clamp(height, kLeastPopupSize, kMaxCoordinate);
  result.left = std::clamp(left, -kMaxCoordinate, kMaxCoordinate);
  result.top = std::clamp(top, -kMaxCoordinate, kMaxCoordinate);
  return result;
}

}  // namespace veltrano::browser
