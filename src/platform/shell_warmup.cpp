#include "platform/shell_warmup.h"

#include "interface/browser_interface.h"

namespace veltrano::platform {

ShellWarmup::ShellWarmup() : m_cancellable(g_cancellable_new()) {
  // The application is on the session bus already: this is its connection.
  m_bus.reset(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
  if (m_bus) m_starter.emplace(m_bus.get(), [this](const std::string& problem) { on_shell_started(problem); });
}

ShellWarmup::~ShellWarmup() { g_cancellable_cancel(m_cancellable.get()); }

void ShellWarmup::on_shell_started(const std::string& problem) {
  if (!problem.empty()) return;  // the first click says what is missing
  g_dbus_connection_call(m_bus.get(), interface::kBusName, interface::kObjectPath, interface::kInterfaceName, "Prepare",
                         nullptr, interface::reply_type("Prepare"), G_DBUS_CALL_FLAGS_NONE, -1, m_cancellable.get(),
                         nullptr, nullptr);
}

}  // namespace veltrano::platform
