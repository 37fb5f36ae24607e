// A page that failed for want of network loads again by itself: when the network comes back,
// and at growing intervals up to kMaxDelaySeconds meanwhile. Any other load calls it off.
#pragma once

#include <gio/gio.h>
#include <sigc++/connection.h>

#include <functional>

namespace veltrano::browser {

// Whether a failed load may come back by itself when tried again: the network was away
// (no route, no name, refused, reset, timed out). An answer of the server, a refused
// address and everything else stay as they failed.
bool network_failure(unsigned domain, int code);

class ReloadWhenOnline {
 public:
  using Reload = std::function<void()>;

  static constexpr int kMaxDelaySeconds = 30;

  explicit ReloadWhenOnline(Reload reload);
  ~ReloadWhenOnline();
  ReloadWhenOnline(const ReloadWhenOnline&) = delete;
  ReloadWhenOnline& operator=(const ReloadWhenOnline&) = delete;

  // The page failed for want of network.
  void failed();
  // Another load starts: nothing to load again.
  void call_off();
  // A page loaded: the next failure waits the shortest time again, unless this was a retry's.
  void loaded();

 private:
  static void on_network_changed(GNetworkMonitor* monitor, gboolean available, ReloadWhenOnline* self);
  void reload();

  Reload m_reload;
  bool m_pending = false;
  int m_delay_s = 0;
  sigc::connection m_timer;
  gulong m_network_handler = 0;
};

}  // namespace veltrano::browser
