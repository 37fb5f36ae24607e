// BrowserWindow's place, size and bars: what a client, a page's window.open features and a
// page's moveTo or resizeBy ask of it, and what the window manager makes of that.
#include <glibmm/main.h>

#include <algorithm>
#include <utility>

#include "browser_window.h"

namespace veltrano::browser {
namespace {

constexpr unsigned kPlacingPauseMs = 50;  // a client placing a window calls again within that

constexpr int kMinPageWindow = 100;  // the least a page may make its window, outer size

}  // namespace

void BrowserWindow::set_placement(const Placement& placement) {
  m_placement = placement;
  m_placement_pending = true;
  resize(placement.width, placement.height);
  move(placement.left, placement.top);
}

void BrowserWindow::ask_visible(bool visible) {
  if (visible && !get_visible()) {
    postpone_show();
    return;
  }
  m_show_timer.disconnect();
  load_held_page();
  set_visible(visible);
}

// A page asked for before the window is shown waits for it: its script must find the window
// at its size. It is asked for first, and the window's size reaches the web process right
// after, before any of the page can.
void BrowserWindow::ask_navigate(const std::string& url) {
  m_url_held = url;
  load_held_page();
}

// Held by the window's show, and by the warm-up page: WebKit lets a load of that page, started
// before the web process was up, win over a page asked for after it.
void BrowserWindow::load_held_page() {
  if (m_show_timer.connected() || m_warming_up || m_url_held.empty()) return;
  navigate(std::exchange(m_url_held, {}));
}

// The timers' slots are ours: they go with the window.
void BrowserWindow::postpone_show() {
  m_show_timer.disconnect();
  m_show_timer = Glib::signal_timeout().connect(sigc::mem_fun(*this, &BrowserWindow::on_show_timer), kPlacingPauseMs);
}

void BrowserWindow::show_if_asked() {
  if (m_show_timer.connected()) on_show_timer();
}

bool BrowserWindow::on_show_timer() {
  m_show_timer.disconnect();
  load_held_page();
  std::exchange(m_activation, {}).show(gobj());
  return false;
}

void BrowserWindow::set_full_screen(bool full_screen) {
  m_full_screen = full_screen;  // known at once; the window manager confirms later
  if (!full_screen) {
    unfullscreen();
    return;
  }
  // GTK sends a new size at its next frame, after the full-screen request would reach the
  // window manager, which would then remember the old size to come back to. Send the
  // placement first, so that leaving full screen returns to the one asked for.
  if (Glib::RefPtr<Gdk::Window> window = get_window(); window && get_visible() && m_placement_pending)
    window->move_resize(m_placement.left, m_placement.top, m_placement.width, m_placement.height);
  fullscreen();
}

bool BrowserWindow::on_configure_event(GdkEventConfigure* event) {
  if (event->width == m_placement.width && event->height == m_placement.height) m_placement_pending = false;
  return Gtk::Window::on_configure_event(event);
}

bool BrowserWindow::on_window_state_event(GdkEventWindowState* event) {
  if (event->changed_mask & GDK_WINDOW_STATE_FULLSCREEN)
    m_full_screen = (event->new_window_state & GDK_WINDOW_STATE_FULLSCREEN) != 0;
  return Gtk::Window::on_window_state_event(event);
}

void BrowserWindow::apply_features(const WindowFeatures& features) {
  set_bar_visible(Bar::Menu, features.menu_bar);
  set_bar_visible(Bar::Tool, features.tool_bar);
  set_bar_visible(Bar::Address, features.address_bar);
  set_bar_visible(Bar::Status, features.status_bar);
  set_resizable(features.resizable);
  m_scroll_bars = features.scroll_bars;
  // width and height are the page's; the window adds whatever bars it shows.
  int chrome = 0;
  Gtk::Widget* const bars[] = {&m_controls.menu_bar(), &m_controls.tool_bar(), &m_address_bar, &m_status_bar};
  for (Gtk::Widget* bar : bars) {
    int minimum = 0, natural = 0;
    if (bar->get_visible()) bar->get_preferred_height(minimum, natural);
    chrome += natural;
  }
  Placement placement = m_placement;
  placement.width = features.width.value_or(m_placement.width);
  placement.height = features.height ? *features.height + chrome : m_placement.height;
  placement.left = features.left.value_or(0);
  placement.top = features.top.value_or(0);
  if (features.width || features.height) {
    if (!features.resizable) set_size_request(placement.width, placement.height);
    resize(placement.width, placement.height);
  }
  if (features.left || features.top) move(placement.left, placement.top);
  m_placement = placement;
  if (features.full_screen) set_full_screen(true);
}

// A page's moveTo, resizeBy, close..., as the old browser carried them out: the place is
// the frame's corner and the size the outer one, the window manager's frame included.
void BrowserWindow::on_page_asks(WindowAsk ask, int x, int y) {
  if (ask == WindowAsk::Close) {
    // Once the page's script has run; the idle source goes with the window.
    Glib::signal_idle().connect_once(sigc::mem_fun(*this, &BrowserWindow::close));
    return;
  }
  if (m_full_screen) return;  // a full-screen window stays so until the user leaves it
  // Where the window is and what the frame adds to it; a placement on its way counts as done.
  Placement next = m_placement;
  int frame_width = 0, frame_height = 0;
  if (Glib::RefPtr<Gdk::Window> window = get_window(); window && get_mapped()) {
    Gdk::Rectangle frame;
    window->get_frame_extents(frame);
    frame_width = frame.get_width() - window->get_width();
    frame_height = frame.get_height() - window->get_height();
    if (!m_placement_pending) next = {frame.get_x(), frame.get_y(), window->get_width(), window->get_height()};
  }
  switch (ask) {
    case WindowAsk::MoveTo: next.left = x, next.top = y; break;
    case WindowAsk::MoveBy: next.left += x, next.top += y; break;
    case WindowAsk::ResizeTo: next.width = x - frame_width, next.height = y - frame_height; break;
    case WindowAsk::ResizeBy: next.width += x, next.height += y; break;
    case WindowAsk::Close: break;
  }
  next.left = std::clamp(next.left, -kMaxCoordinate, kMaxCoordinate);
  next.top = std::clamp(next.top, -kMaxCoordinate, kMaxCoordinate);
  next.width = std::clamp(next.width, kMinPageWindow - frame_width, kMaxCoordinate);
  next.height = std::clamp(next.height, kMinPageWindow - frame_height, kMaxCoordinate);
  if (!get_resizable()) set_size_request(next.width, next.height);  // fixed, at the new size
  set_placement(next);
}

}  // namespace veltrano::browser
