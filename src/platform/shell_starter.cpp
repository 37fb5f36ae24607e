#include "platform/shell_starter.h"

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <utility>

#include "config.h"
#include "interface/browser_interface.h"

namespace veltrano::platform {
namespace {

void detach(gpointer) { setsid(); }

std::optional<std::filesystem::path> shell_next_to_us() {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::nullopt;
  return self.parent_path() / config::kBrowserExecutable;
}

// The shell outlives whoever started it: the default main loop reaps it whenever it ends.
void reap_when_it_ends(GPid shell) {
  g_child_watch_add(
      shell, [](GPid pid, gint, gpointer) { g_spawn_close_pid(pid); }, nullptr);
}

void call_bus(GDBusConnection* bus, const char* method, GVariant* parameters, const char* reply_type,
              GCancellable* cancellable, GAsyncReadyCallback on_reply, gpointer self) {
  g_dbus_connection_call(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
                         parameters, G_VARIANT_TYPE(reply_type), G_DBUS_CALL_FLAGS_NONE, -1, cancellable, on_reply,
                         self);
}

// The answer to NameHasOwner: none when the call was cancelled, false when it failed.
std::optional<bool> owner_in(GObject* bus, GAsyncResult* result) {
  ErrorSlot error;
  const GVariantPtr reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, error.out()));
  if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) return std::nullopt;
  gboolean owned = FALSE;
  if (reply) g_variant_get(reply.get(), "(b)", &owned);
  return owned != FALSE;
}

}  // namespace

ShellStarter::ShellStarter(GDBusConnection* bus, Done done)
    : m_bus(G_DBUS_CONNECTION(g_object_ref(bus))), m_done(std::move(done)), m_cancellable(g_cancellable_new()) {
  call_bus(m_bus.get(), "StartServiceByName", g_variant_new("(su)", interface::kBusName, 0u), "(u)",
           m_cancellable.get(), &ShellStarter::on_start_reply, this);
}

ShellStarter::~ShellStarter() {
  g_cancellable_cancel(m_cancellable.get());
  if (m_watch) g_bus_unwatch_name(m_watch);
  m_exit_watch.reset();
  if (m_shell) reap_when_it_ends(m_shell);
}

// Running already, or started by the bus: there. Else (no service file names it, or the
// one it names failed) it may still be running: the bus looks for a service file before it
// looks for an owner, so a shell that was not installed is refused even while it runs.
void ShellStarter::on_start_reply(GObject* bus, GAsyncResult* result, gpointer self) {
  ErrorSlot error;
  const GVariantPtr reply(g_dbus_connection_call_finish(G_DBUS_CONNECTION(bus), result, error.out()));
  if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) return;  // self is gone
  auto* starter = static_cast<ShellStarter*>(self);
  if (reply) return starter->finish("");
  call_bus(starter->m_bus.get(), "NameHasOwner", g_variant_new("(s)", interface::kBusName), "(b)",
           starter->m_cancellable.get(), &ShellStarter::on_running_reply, self);
}

// Not running: the one beside us.
void ShellStarter::on_running_reply(GObject* bus, GAsyncResult* result, gpointer self) {
  const std::optional<bool> owned = owner_in(bus, result);
  if (!owned) return;  // self is gone
  auto* starter = static_cast<ShellStarter*>(self);
  if (*owned)
    starter->finish("");
  else
    starter->spawn();
}

void ShellStarter::spawn() {
  const std::optional<std::filesystem::path> program = shell_next_to_us();
  if (!program) return finish("找不到程序所在的目录");
  const std::string path = program->string();
  char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
  ErrorSlot error;
  // In a session of its own, so that it outlives us.
  if (!g_spawn_async(nullptr, argv, nullptr, G_SPAWN_DO_NOT_REAP_CHILD, detach, nullptr, &m_shell, error.out()))
    return finish(g_error_matches(error.get(), G_SPAWN_ERROR, G_SPAWN_ERROR_NOENT) ? "找不到浏览器程序 " + path
                                                                                   : "无法启动浏览器程序 " + path);
  m_watch = g_bus_watch_name_on_connection(m_bus.get(), interface::kBusName, G_BUS_NAME_WATCHER_FLAGS_NONE,
                                           &ShellStarter::on_name_appeared, nullptr, this, nullptr);
  m_exit_watch.reset(g_child_watch_source_new(m_shell));
  g_source_set_callback(m_exit_watch.get(), G_SOURCE_FUNC(&ShellStarter::on_shell_exited), this, nullptr);
  g_source_attach(m_exit_watch.get(), g_main_context_get_thread_default());
}

void ShellStarter::on_name_appeared(GDBusConnection*, const gchar*, const gchar*, gpointer self) {
  static_cast<ShellStarter*>(self)->finish("");
}

// Another shell may have won the name: that one serves.
void ShellStarter::on_shell_exited(GPid pid, gint, gpointer self) {
  auto* starter = static_cast<ShellStarter*>(self);
  g_spawn_close_pid(pid);
  starter->m_shell = 0;
  starter->m_exit_watch.reset();  // the source is being dispatched: destroyed, not freed, here
  call_bus(starter->m_bus.get(), "NameHasOwner", g_variant_new("(s)", interface::kBusName), "(b)",
           starter->m_cancellable.get(), &ShellStarter::on_owner_reply, self);
}

void ShellStarter::on_owner_reply(GObject* bus, GAsyncResult* result, gpointer self) {
  const std::optional<bool> owned = owner_in(bus, result);
  if (!owned) return;  // self is gone
  static_cast<ShellStarter*>(self)->finish(*owned ? "" : "浏览器程序启动后立即退出");
}

void ShellStarter::finish(const std::string& problem) {
  if (m_watch) g_bus_unwatch_name(m_watch);
  m_watch = 0;
  m_exit_watch.reset();
  if (m_shell) reap_when_it_ends(std::exchange(m_shell, 0));
  const Done done = std::move(m_done);
  m_done = nullptr;
  if (done) done(problem);
}

}  // namespace veltrano::platform
