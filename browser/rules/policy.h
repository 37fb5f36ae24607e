// The shell's rules, apart from the windows they apply to: which addresses a page or a
// client may open, what a download may be called, which pages get the old browser's
// ways, and how window.open's features read. Nothing here touches GTK or WebKit.
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

// Whether a failed load may come back by itself when tried again: the network was away
// (no route, no name, refused, reset, timed out). An answer of the server, a refused
// address and everything else stay as they failed.
bool network_failure(unsigned domain, int code);

// text, shortened to at most max_bytes of whole UTF-8 characters ("…" marks the cut).
std::string shortened(std::string_view text, std::size_t max_bytes);

// Whether a page may lead to uri: web schemes only, never local files or other programs.
bool web_scheme(std::string_view uri);

// Why a page may not lead a frame or a new window to uri: nothing when it may; the status
// bar's message for an address with user info (one host shown, another reached); an empty
// one for the rest, which no page has a use for (local files, other programs' schemes).
std::optional<std::string_view> navigation_refusal(std::string_view uri);

// A name the server suggested for a download, made safe as a file name in one folder.
std::string safe_file_name(const char* suggested);

// Pages that declare no charset of their own are read as the Chinese desktop read them.
inline constexpr char kFallbackCharset[] = "GBK";

// Whether uri is a page of the service's own hosts, whatever its port: those pages, and
// only those, get the old browser's DOM and VML.
bool service_page(std::string_view uri);

// The same hosts as WebKit's URL patterns, for the scripts' allow list.
std::vector<std::string> service_url_patterns();

// The compatibility scripts ask the shell for what only a browser window can do with
// prompt("\x01veltrano:SECRET:request", payload). The request's name when message is one
// that knows secret; an empty name when it is marked but does not (it gets no answer);
// nothing for an ordinary prompt.
std::optional<std::string> channel_request(std::string_view message, std::string_view secret);

// The farthest a window's place may be from the screen's corner, and its largest size,
// each way: X keeps them in 16 bits.
inline constexpr int kMaxCoordinate = 32767;

// window.open's third argument as the old browser read it. An empty string asks for an
// ordinary window. Otherwise every bar is off and the window fixed in size unless the
// string turns it on; width and height are the page area's, left and top the window's.
struct WindowFeatures {
  std::optional<int> left, top, width, height;
  bool menu_bar = true, tool_bar = true, address_bar = true, status_bar = true;
  bool scroll_bars = true, resizable = true, full_screen = false;
  bool operator==(const WindowFeatures&) const = default;
};
WindowFeatures parse_window_features(std::string_view features);

// showModalDialog's third argument ("dialogWidth:300px;dialogHeight:200px;center:yes") as
// the features of the pop-up that stands for the dialog: no bars but a status bar when asked
// for, fixed in size unless resizable, 400 by 300 unless sized, and centred on a screen of
// screen_width by screen_height unless placed or "center:no".
WindowFeatures parse_dialog_features(std::string_view features, int screen_width, int screen_height);

}  // namespace veltrano::browser
