// Gets the browser shell ready while the user looks at the main window, so that the first
// click costs what a later one does: the shell is started (ShellStarter) and asked to
// Prepare, which keeps it while we are on the bus. Nothing here is waited for, and a failure
// is left for the first click to meet and report.
#pragma once

#include <gio/gio.h>

#include <optional>
#include <string>

#include "platform/shell_starter.h"
#include "support/glib_ptr.h"

namespace veltrano::platform {

class ShellWarmup {
 public:
  ShellWarmup();
  ~ShellWarmup();
  ShellWarmup(const ShellWarmup&) = delete;
  ShellWarmup& operator=(const ShellWarmup&) = delete;

 private:
  void on_shell_started(const std::string& problem);

  GObjectPtr<GDBusConnection> m_bus;
  GObjectPtr<GCancellable> m_cancellable;  // the call under way when we go
  std::optional<ShellStarter> m_starter;
};

}  // namespace veltrano::platform
