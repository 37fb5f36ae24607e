// The shell's interface on the session bus. A client creates browser instances and works
// on them by member name; an instance belongs to the client that created it and goes
// when that client releases it or leaves the bus. A released window that is visible stays
// open for the user; a hidden one is closed. An instance holds the shell while it exists, as
// does a client that said it will soon ask for one, until it leaves the bus.
#pragma once

#include <gio/gio.h>

#include <cstdint>
#include <map>
#include <string>

#include "application_hold.h"
#include "browser_object.h"
#include "shell_windows.h"
#include "support/glib_ptr.h"

namespace veltrano::browser {

class AutomationService {
 public:
  // The most instances one client may hold at once.
  static constexpr std::size_t kMaxInstancesPerClient = 256;

  // Opens its clients' windows among windows; each instance holds app.
  AutomationService(GDBusConnection* connection, ShellWindows& windows, Gio::Application& app);
  ~AutomationService();
  AutomationService(const AutomationService&) = delete;
  AutomationService& operator=(const AutomationService&) = delete;

 private:
  struct Instance {
    std::string owner;  // the client's unique bus name
    unsigned window_id;
    BrowserObject object;
    ApplicationHold hold;
  };

  static void on_method_call(GDBusConnection*, const gchar* sender, const gchar*, const gchar*, const gchar* method,
                             GVariant* parameters, GDBusMethodInvocation* invocation, gpointer self);
  static GVariant* on_get_property(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* property,
                                   GError** error, gpointer self);
  GVariant* dispatch(const std::string& sender, const std::string& method, GVariant* parameters);
  std::uint32_t create(const std::string& sender, const char* startup_id);
  Instance& instance(std::uint32_t handle, const std::string& sender);
  void release(std::uint32_t handle);
  void watch_client(const std::string& client);
  void forget_client_if_idle(const std::string& client);
  void on_client_vanished(const std::string& client);

  GObjectPtr<GDBusConnection> m_connection;
  ShellWindows& m_windows;
  Gio::Application& m_app;
  guint m_registration = 0;
  std::uint32_t m_next_handle = 1;
  std::map<std::uint32_t, Instance> m_instances;
  std::map<std::string, ApplicationHold> m_preparing;  // clients that called Prepare
  std::map<std::string, guint> m_client_watches;       // client -> bus name watch
};

}  // namespace veltrano::browser
