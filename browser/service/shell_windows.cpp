#include "shell_windows.h"

#include <glibmm/main.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace veltrano::browser {

ShellWindows::ShellWindows(Gtk::Application& app, std::unique_ptr<WebContext> context, std::string unavailable)
    : m_app(app), m_context(std::move(context)), m_unavailable(std::move(unavailable)) {}

ShellWindows::~ShellWindows() {
  m_prepare_timer.disconnect();
  m_windows.clear();
}

unsigned ShellWindows::open_window(WebKitWebView* related) {
  unsigned id = 0;
  if (!related && !m_prepared.empty()) {
    id = m_prepared.front();
    m_prepared.pop_front();
  } else {
    id = make_window(related);
  }
  // GtkApplication holds the shell for each of its windows, until the window is destroyed (not
  // as gtkmm's add_window has it, until it is hidden: a client may hide a window and show it).
  gtk_application_add_window(m_app.gobj(), window(id)->gobj());
  return id;
}

unsigned ShellWindows::make_window(WebKitWebView* related) {
  const unsigned id = m_next_window++;
  auto window = std::make_unique<BrowserWindow>(
      *m_context, related, [this](WebKitWebView* opener) { return this->window(open_window(opener))->web_view(); });
  window->signal_delete_event().connect(
      [this, id](GdkEventAny*) {
        if (!this->window(id)->may_close()) return true;  // it goes once its page's script is past a dialog
        // Destroyed once the event is over, not inside it.
        Glib::signal_idle().connect_once([this, id] { close_window(id); });
        return false;
      },
      false);
  m_windows.emplace(id, std::move(window));
  return id;
}

BrowserWindow* ShellWindows::window(unsigned id) const {
  const auto it = m_windows.find(id);
  return it == m_windows.end() ? nullptr : it->second.get();
}

void ShellWindows::close_window(unsigned id) {
  const auto it = m_windows.find(id);
  if (it == m_windows.end()) return;
  std::erase(m_prepared, id);
  std::unique_ptr<BrowserWindow> window = std::move(it->second);
  m_windows.erase(it);
  if (gtk_window_get_application(window->gobj()))  // a prepared one is not there
    gtk_application_remove_window(m_app.gobj(), window->gobj());
  window.reset();
}

void ShellWindows::prepare_window() {
  m_prepare_timer.disconnect();
  if (m_prepared.size() >= kPreparedWindows || !m_context) return;
  const unsigned id = make_window(nullptr);
  window(id)->load_blank();  // its own web process, started now rather than at the click
  gtk_widget_realize(GTK_WIDGET(window(id)->gobj()));
  m_prepared.push_back(id);
  // One at a time, each once the last has had its start.
  if (m_prepared.size() < kPreparedWindows) prepare_window_soon();
}

// Making a window starts its web process, which blocks the shell for a while and takes the
// processor from the page just asked for: it waits while a window given out is being set up
// or loading, for kPrepareWaitMs at the most.
void ShellWindows::prepare_window_soon() {
  if (m_prepare_timer.connected()) return;
  const std::int64_t give_up = g_get_monotonic_time() + std::int64_t{kPrepareWaitMs} * 1000;
  m_prepare_timer = Glib::signal_timeout().connect(
      [this, give_up] {
        if (any_given_out_busy() && g_get_monotonic_time() < give_up) return true;
        prepare_window();
        return false;
      },
      kPrepareDelayMs);
}

bool ShellWindows::any_given_out_busy() const {
  return std::any_of(m_windows.begin(), m_windows.end(), [this](const auto& entry) {
    const BrowserWindow& window = *entry.second;
    const bool given_out = std::find(m_prepared.begin(), m_prepared.end(), entry.first) == m_prepared.end();
    return given_out && (!window.get_visible() || window.busy());
  });
}

}  // namespace veltrano::browser
