#include "reload_when_online.h"

#include <glibmm/main.h>

#include <algorithm>
#include <utility>

namespace veltrano::browser {

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

ReloadWhenOnline::ReloadWhenOnline(Reload reload)
    : m_reload(std::move(reload)),
      m_network_handler(g_signal_connect(g_network_monitor_get_default(), "network-changed",
                                         G_CALLBACK(&ReloadWhenOnline::on_network_changed), this)) {}

ReloadWhenOnline::~ReloadWhenOnline() {
  m_timer.disconnect();
  g_signal_handler_disconnect(g_network_monitor_get_default(), m_network_handler);
}

void ReloadWhenOnline::failed() {
  m_pending = true;
  m_delay_s = std::clamp(m_delay_s * 2, 2, kMaxDelaySeconds);
  m_timer.disconnect();
  m_timer = Glib::signal_timeout().connect_seconds(
      [this] {
        reload();
        return false;
      },
      static_cast<unsigned>(m_delay_s));
}

void ReloadWhenOnline::call_off() {
  m_pending = false;
  m_timer.disconnect();
}

void ReloadWhenOnline::loaded() {
  if (!m_pending) m_delay_s = 0;
}

void ReloadWhenOnline::on_network_changed(GNetworkMonitor*, gboolean available, ReloadWhenOnline* self) {
  if (available) self->reload();
}

void ReloadWhenOnline::reload() {
  if (m_pending) m_reload();
}

}  // namespace veltrano::browser
