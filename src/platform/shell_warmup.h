// Gets the browser shell ready while the user looks at the main window, so that the first
// click costs what a later one does: the shell is started (by the bus, or from beside this
// program where no service file names it) and asked to Prepare, which keeps it while we
// are on the bus. Nothing here is waited for, and a failure is left for the first click
// to meet and report.
#pragma once

#include <gio/gio.h>

#include "support/glib_ptr.h"

namespace veltrano::platform {

class ShellWarmup {
 public:
  ShellWarmup();
  ~ShellWarmup();
  ShellWarmup(const ShellWarmup&) = delete;
  ShellWarmup& operator=(const ShellWarmup&) = delete;

 private:
  void prepare(GAsyncReadyCallback on_reply);
  static void on_first_reply(GObject* bus, GAsyncResult* result, gpointer self);
  static void on_shell_appeared(GDBusConnection* bus, const gchar* name, const gchar* owner, gpointer self);

  GObjectPtr<GDBusConnection> m_bus;
  GObjectPtr<GCancellable> m_cancellable;  // the calls under way when we go
  guint m_watch = 0;
};

}  // namespace veltrano::platform
