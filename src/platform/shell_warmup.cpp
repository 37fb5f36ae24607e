#include "platform/shell_warmup.h"

#include "interface/browser_interface.h"
#include "platform/browser_proxy.h"

namespace veltrano::platform {

ShellWarmup::ShellWarmup() : m_cancellable(g_cancellable_new()) {
  // The application is on the session bus already: this is its connection.
  m_bus.reset(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
  if (m_bus) prepare(&ShellWarmup::on_first_reply);
}

ShellWarmup::~ShellWarmup() {
  g_cancellable_cancel(m_cancellable.get());
  if (m_watch) g_bus_unwatch_name(m_watch);
}

void ShellWarmup::prepare(GAsyncReadyCallback on_reply) {
  g_dbus_connection_call(m_bus.get(), interface::kBusName, interface::kObjectPath, interface::kInterfaceName, "Prepare",
                         nullptr, interface::reply_type("Prepare"), G_DBUS_CALL_FLAGS_NONE, -1, m_cancellable.get(),
                         on_reply, this);
}

// No shell on the bus and none it can start: the one beside us, as a click would.
void ShellWarmup::on_first_reply(GObject* bus, GAsyncResult* result, gpointer self) {
  ErrorSlot error;
  const GVariantPtr reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, error.out()));
  if (reply || !g_error_matches(error.get(), G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN)) return;  // self may be gone
  auto* warmup = static_cast<ShellWarmup*>(self);
  try {
    reap_when_it_ends(spawn_browser_shell());
  } catch (...) {
    return;  // the first click says what is missing
  }
  warmup->m_watch =
      g_bus_watch_name_on_connection(warmup->m_bus.get(), interface::kBusName, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                     &ShellWarmup::on_shell_appeared, nullptr, warmup, nullptr);
}

void ShellWarmup::on_shell_appeared(GDBusConnection*, const gchar*, const gchar*, gpointer self) {
  auto* warmup = static_cast<ShellWarmup*>(self);
  g_bus_unwatch_name(warmup->m_watch);
  warmup->m_watch = 0;
  warmup->prepare(nullptr);
}

}  // namespace veltrano::platform
