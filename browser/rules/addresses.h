// Which addresses a page or a client may open, and which pages are the service's own. Plain
// rules of text: nothing here touches GTK or WebKit.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veltrano::browser {

// Whether a client may have a window open url: http or https with a host and without user
// info, or about:blank.
bool acceptable_url(const std::string& url);

// Whether url names a user (or a password) before its host, as in "http://name@host/": an
// address that shows one host and goes to another.
bool has_user_info(std::string_view url);
inline constexpr char kUserInfoRefused[] = "网址中不能含有用户名或密码：这样的地址会冒充另一个网站，已拒绝打开";

// Where window.open may lead a new window: http, https, or a blank page to write into.
bool popup_target(std::string_view uri);

// Whether a page may lead to uri: web schemes only, never local files or other programs.
bool web_scheme(std::string_view uri);

// Why a page may not lead a frame or a new window to uri: nothing when it may; the status
// bar's message for an address with user info (one host shown, another reached); an empty
// one for the rest, which no page has a use for (local files, other programs' schemes).
std::optional<std::string_view> navigation_refusal(std::string_view uri);

// Whether uri is a page of the service's own hosts, whatever its port: those pages, and
// only those, get the old browser's DOM and VML.
bool service_page(std::string_view uri);

// The same hosts as WebKit's URL patterns, for the scripts' allow list.
std::vector<std::string> service_url_patterns();

}  // namespace veltrano::browser
