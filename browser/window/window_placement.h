// A browser window's place, size and full screen, as a client, a page's window.open features
// or its moveTo and resizeBy ask for them, and what the window manager makes of that. What a
// client asks is carried out as asked (the launcher's own values fit any screen); what a page
// asks is kept on the screen: within the work area of the monitor the window is on, title
// bar and all, and never while the window is full screen.
#pragma once

#include <gtkmm/window.h>

#include "page_requests.h"
#include "window_features.h"

namespace veltrano::browser {

// Where a client asked the window to be: the frame's top-left corner on the screen and the
// window's own size, in logical pixels.
struct Placement {
  int left = 0, top = 0, width = 1024, height = 768;
  bool operator==(const Placement&) const = default;
};

class WindowPlacement {
 public:
  explicit WindowPlacement(Gtk::Window& window) : m_window(window) {}
  WindowPlacement(const WindowPlacement&) = delete;
  WindowPlacement& operator=(const WindowPlacement&) = delete;

  // The placement last asked for; the window manager may not have carried it out yet.
  const Placement& asked() const noexcept { return m_placement; }
  // A client's.
  void set(const Placement& placement);
  // A page's moveTo, moveBy, resizeTo or resizeBy: the frame's corner and the outer size,
  // the window manager's frame included, as the old browser had them.
  void page_asks(WindowAsk ask, int x, int y);
  // window.open's size and place for the window it opens; chrome is the height of the bars
  // the window shows besides the page.
  void open_with(const WindowFeatures& features, int chrome);
  void set_full_screen(bool full_screen);
  bool full_screen() const noexcept { return m_full_screen; }

  // The window's own events, handed on by it.
  void configured(const GdkEventConfigure& event);
  void state_changed(const GdkEventWindowState& event);

 private:
  // placement moved and shrunk into the work area of its monitor; frame_width and
  // frame_height are what the window manager's frame adds.
  Placement on_screen(Placement placement, int frame_width, int frame_height) const;

  Gtk::Window& m_window;
  Placement m_placement;
  bool m_pending = false;  // asked for, not yet carried out
  bool m_full_screen = false;
};

}  // namespace veltrano::browser
