// How a page's window.open and showModalDialog features read, as the old browser read them,
// and the bounds every window keeps. Plain rules of text: nothing here touches GTK or WebKit.
#pragma once

#include <optional>
#include <string_view>

namespace veltrano::browser {

// The farthest a window's place may be from the screen's corner, and its largest size,
// each way: X keeps them in 16 bits.
inline constexpr int kMaxCoordinate = 32767;

// The least a page may make a window, each way, as the old browser kept its pop-ups: the
// page area a page's features ask for, and the outer size its resizeTo and resizeBy give.
inline constexpr int kLeastWindowSize = 100;

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
