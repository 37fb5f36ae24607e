// Gets the veltrano-browser shell onto the session bus, the one way the launcher starts it:
// one that runs already serves; else the bus starts it where a service file names it, else
// the shell installed beside this program is started, in a session of its own so that it
// outlives us. The proxy's blocking start and the warm-up both use it.
//
// Asynchronous, on the thread-default main context it is made in; done is called once, with
// an empty text when the shell is on the bus, else with why not. A starter destroyed before
// that calls nothing; a shell it started goes on, reaped by the default main loop.
#pragma once

#include <gio/gio.h>

#include <functional>
#include <string>

#include "support/glib_ptr.h"

namespace veltrano::platform {

class ShellStarter {
 public:
  using Done = std::function<void(const std::string& problem)>;

  ShellStarter(GDBusConnection* bus, Done done);
  ~ShellStarter();
  ShellStarter(const ShellStarter&) = delete;
  ShellStarter& operator=(const ShellStarter&) = delete;

 private:
  static void on_start_reply(GObject* bus, GAsyncResult* result, gpointer self);
  static void on_running_reply(GObject* bus, GAsyncResult* result, gpointer self);
  static void on_name_appeared(GDBusConnection* bus, const gchar* name, const gchar* owner, gpointer self);
  static void on_shell_exited(GPid pid, gint status, gpointer self);
  static void on_owner_reply(GObject* bus, GAsyncResult* result, gpointer self);
  // The shell beside us, where the bus could not start one.
  void spawn();
  // Stops watching and calls done, the last thing it does: done may destroy the starter.
  void finish(const std::string& problem);

  GObjectPtr<GDBusConnection> m_bus;
  Done m_done;
  GObjectPtr<GCancellable> m_cancellable;  // the calls under way when it goes
  guint m_watch = 0;
  GSourcePtr m_exit_watch;
  GPid m_shell = 0;  // started here and not reaped yet
};

}  // namespace veltrano::platform
