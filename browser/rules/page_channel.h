// The channel by which the compatibility scripts ask the shell for what only a browser
// window can do: prompt("\x01veltrano:SECRET:request", payload). How its messages and
// payloads read; what each request does is the window's (PageRequests). Plain rules of
// text: nothing here touches GTK or WebKit.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "window_features.h"

namespace veltrano::browser {

// The request's name when message is one that knows secret; an empty name when it is marked
// but does not (it gets no answer); nothing for an ordinary prompt.
std::optional<std::string> channel_request(std::string_view message, std::string_view secret);

// What a page asks of the window itself: x and y are a place, a size or a change of either.
// DialogWait and DialogWaited: its script waits for the dialog it opened last, or goes on.
enum class WindowAsk { MoveTo, MoveBy, ResizeTo, ResizeBy, Close, DialogWait, DialogWaited };

// A request for the window itself ("move-to" with "x,y" and the like). A place or a size
// takes two whole numbers; with anything else the request is the window's but does nothing.
struct WindowRequest {
  WindowAsk ask;
  int x = 0, y = 0;
  bool acted = true;  // false: its numbers were wrong, and it is dropped
  bool operator==(const WindowRequest&) const = default;
};
// Nothing when request is not one for the window.
std::optional<WindowRequest> window_request(std::string_view request, std::string_view payload);

// "1024,768;dialogWidth:300px": the screen the page sees, to centre the dialog on, and the
// features its showModalDialog gave, as those of the pop-up that stands for the dialog.
WindowFeatures dialog_request_features(std::string_view payload);

}  // namespace veltrano::browser
