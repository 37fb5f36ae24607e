#include "pending_show.h"

#include <glibmm/main.h>

#include <utility>

namespace veltrano::browser {
namespace {

constexpr unsigned kPlacingPauseMs = 50;  // a client placing a window calls again within that

}  // namespace

PendingShow::PendingShow(Gtk::Window& window, Load load) : m_window(window), m_load(std::move(load)) {}

PendingShow::~PendingShow() { m_timer.disconnect(); }

void PendingShow::ask_visible(bool visible) {
  if (visible && !m_window.get_visible()) {
    postpone();
    return;
  }
  m_timer.disconnect();
  load_held_page();
  m_window.set_visible(visible);
}

// A page asked for before the window is shown waits for it: its script must find the window
// at its size. It is asked for first, and the window's size reaches the web process right
// after, before any of the page can.
void PendingShow::ask_navigate(const std::string& url) {
  m_held = url;
  load_held_page();
}

// Held by the window's show, and by the warm-up page: WebKit lets a load of that page, started
// before the web process was up, win over a page asked for after it.
void PendingShow::load_held_page() {
  if (m_timer.connected() || m_warming_up || m_held.empty()) return;
  m_load(std::exchange(m_held, {}));
}

bool PendingShow::warm_up_done() {
  if (!std::exchange(m_warming_up, false)) return false;
  load_held_page();
  return true;
}

// The timer's slot is ours: it goes with the window. It runs below the client's calls: when
// the shell was busy (making a window ahead of need blocks it for a while on a loaded machine),
// a call that waited meanwhile is the client going on, not a pause, and is taken first.
void PendingShow::postpone() {
  m_timer.disconnect();
  m_timer = Glib::signal_timeout().connect(sigc::mem_fun(*this, &PendingShow::on_timer), kPlacingPauseMs,
                                           Glib::PRIORITY_DEFAULT_IDLE);
}

void PendingShow::show_if_asked() {
  if (m_timer.connected()) on_timer();
}

bool PendingShow::on_timer() {
  m_timer.disconnect();
  load_held_page();
  present();
  return false;
}

// GTK's present() would stamp the window with the shell's own last input, older than the
// client's click: a window manager that prevents focus stealing keeps it behind.
void PendingShow::present() {
  if (m_activation.empty())
    m_window.present();
  else
    std::exchange(m_activation, {}).show(m_window.gobj());
}

}  // namespace veltrano::browser
