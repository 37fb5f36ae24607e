#include "window_placement.h"

#include <gdkmm/display.h>
#include <gdkmm/monitor.h>

#include <algorithm>

namespace veltrano::browser {
void WindowPlacement::set(const Placement& placement) {
  m_placement = placement;
  m_pending = true;
  m_window.resize(placement.width, placement.height);
  m_window.move(placement.left, placement.top);
}

void WindowPlacement::set_full_screen(bool full_screen) {
  m_full_screen = full_screen;  // known at once; the window manager confirms later
  if (!full_screen) {
    m_window.unfullscreen();
    return;
  }
  // GTK sends a new size at its next frame, after the full-screen request would reach the
  // window manager, which would then remember the old size to come back to. Send the
  // placement first, so that leaving full screen returns to the one asked for.
  if (Glib::RefPtr<Gdk::Window> window = m_window.get_window(); window && m_window.get_visible() && m_pending)
    window->move_resize(m_placement.left, m_placement.top, m_placement.width, m_placement.height);
  m_window.fullscreen();
}

void WindowPlacement::configured(const GdkEventConfigure& event) {
  if (event.width == m_placement.width && event.height == m_placement.height) m_pending = false;
}

void WindowPlacement::state_changed(const GdkEventWindowState& event) {
  if (event.changed_mask & GDK_WINDOW_STATE_FULLSCREEN)
    m_full_screen = (event.new_window_state & GDK_WINDOW_STATE_FULLSCREEN) != 0;
}

Placement WindowPlacement::on_screen(Placement placement, int frame_width, int frame_height) const {
  const Glib::RefPtr<Gdk::Display> display = m_window.get_display();
  const Glib::RefPtr<Gdk::Window> window = m_window.get_window();
  Glib::RefPtr<Gdk::Monitor> monitor = window && m_window.get_mapped()
                                           ? display->get_monitor_at_window(window)
                                           : display->get_monitor_at_point(placement.left, placement.top);
  if (!monitor) return placement;
  Gdk::Rectangle area;
  monitor->get_workarea(area);
  placement.width = std::clamp(placement.width, 1, std::max(1, area.get_width() - frame_width));
  placement.height = std::clamp(placement.height, 1, std::max(1, area.get_height() - frame_height));
  const int right = area.get_x() + area.get_width() - placement.width - frame_width;
  const int bottom = area.get_y() + area.get_height() - placement.height - frame_height;
  placement.left = std::clamp(placement.left, area.get_x(), std::max(area.get_x(), right));
  placement.top = std::clamp(placement.top, area.get_y(), std::max(area.get_y(), bottom));
  return placement;
}

void WindowPlacement::open_with(const WindowFeatures& features, int chrome) {
  Placement placement = m_placement;
  placement.width = features.width.value_or(m_placement.width);
  placement.height = features.height ? *features.height + chrome : m_placement.height;
  placement.left = features.left.value_or(0);
  placement.top = features.top.value_or(0);
  placement = on_screen(placement, 0, 0);  // the frame is not there yet
  if (features.width || features.height) {
    if (!features.resizable) m_window.set_size_request(placement.width, placement.height);
    m_window.resize(placement.width, placement.height);
  }
  if (features.left || features.top) m_window.move(placement.left, placement.top);
  m_placement = placement;
}

void WindowPlacement::page_asks(WindowAsk ask, int x, int y) {
  if (m_full_screen) return;  // a full-screen window stays so until the user leaves it
  // Where the window is and what the frame adds to it; a placement on its way counts as done.
  // Both sizes are the X server's: GDK's own copy of the window's size lags behind until
  // the configure event comes, and a frame of the new size around a window of the old one
  // would make the frame negative, and the window the size of the difference.
  Placement next = m_placement;
  int frame_width = 0, frame_height = 0;
  if (Glib::RefPtr<Gdk::Window> window = m_window.get_window(); window && m_window.get_mapped()) {
    Gdk::Rectangle frame;
    window->get_frame_extents(frame);
    int in_frame_x = 0, in_frame_y = 0, width = 0, height = 0;
    window->get_geometry(in_frame_x, in_frame_y, width, height);
    frame_width = std::max(0, frame.get_width() - width);
    frame_height = std::max(0, frame.get_height() - height);
    if (!m_pending) next = {frame.get_x(), frame.get_y(), width, height};
  }
  switch (ask) {
    case WindowAsk::MoveTo: next.left = x, next.top = y; break;
    case WindowAsk::MoveBy: next.left += x, next.top += y; break;
    case WindowAsk::ResizeTo: next.width = x - frame_width, next.height = y - frame_height; break;
    case WindowAsk::ResizeBy: next.width += x, next.height += y; break;
    default: return;  // not the window's place or size
  }
  // Far off first, so that no sum overflows on the way to the screen.
  next.left = std::clamp(next.left, -kMaxCoordinate, kMaxCoordinate);
  next.top = std::clamp(next.top, -kMaxCoordinate, kMaxCoordinate);
  next.width = std::clamp(next.width, kLeastWindowSize - frame_width, kMaxCoordinate);
  next.height = std::clamp(next.height, kLeastWindowSize - frame_height, kMaxCoordinate);
  next = on_screen(next, frame_width, frame_height);
  if (!m_window.get_resizable()) m_window.set_size_request(next.width, next.height);  // fixed, at the new size
  set(next);
}

}  // namespace veltrano::browser
