#include "platform/browser_proxy.h"

#include <algorithm>
#include <optional>

#include "automation/variant.h"
#include "interface/browser_interface.h"
#include "platform/shell_starter.h"

namespace veltrano::platform {

using automation::Error;
using automation::Value;
namespace errc = automation::errc;

namespace {

using Clock = std::chrono::steady_clock;

// What is left of a budget that ends at deadline, as a D-Bus timeout: at least 1 ms, since
// GDBus reads 0 as "no timeout" and -1 as its default.
int remaining_ms(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 1, BrowserProxy::kBudget.count()));
}

bool out_of_time(Clock::time_point deadline) { return Clock::now() >= deadline; }

[[noreturn]] void cannot_create(const std::string& why) {
  throw Error(errc::kCannotCreate, "部件不能创建对象：浏览器不可用（" + why + "）");
}

// Starts the shell (ShellStarter) and waits for it to be on the bus. Only a private main
// context runs meanwhile: no click of the main window is delivered while we wait.
void start_shell(GDBusConnection* bus, Clock::time_point deadline) {
  std::optional<std::string> problem;
  bool timed_out = false;
  {
    const GMainContextPtr context(g_main_context_new());  // goes last, after its sources
    const ThreadDefaultContext scope(context.get());
    const ShellStarter starter(bus, [&problem](const std::string& why) { problem = why; });
    const GSourcePtr timer(g_timeout_source_new(static_cast<guint>(remaining_ms(deadline))));
    g_source_set_callback(
        timer.get(),
        +[](gpointer data) -> gboolean {
          *static_cast<bool*>(data) = true;
          return G_SOURCE_REMOVE;
        },
        &timed_out, nullptr);
    g_source_attach(timer.get(), context.get());
    while (!problem && !timed_out) g_main_context_iteration(context.get(), TRUE);
  }
  if (!problem) cannot_create("浏览器程序没有按时启动");
  if (!problem->empty()) cannot_create(*problem);
}

[[noreturn]] void call_failed(const GError* error) { throw interface::from_gerror(error); }

// The shell was ending as the call reached it, or had ended: a new one answers it.
bool shell_went_away(const GError* error) {
  return g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NO_REPLY) ||
         g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
         g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER);
}

// The value inside a "(v)" reply.
Value unbox(const GVariantPtr& reply) {
  GVariantPtr boxed(g_variant_get_child_value(reply.get(), 0));
  GVariantPtr inner(g_variant_get_variant(boxed.get()));
  return automation::from_gvariant(inner.get());
}

}  // namespace

automation::ObjectPtr BrowserProxy::create(const std::string& startup_id) {
  ErrorSlot error;
  GObjectPtr<GDBusConnection> bus(g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, error.out()));
  if (!bus) cannot_create(error.get()->message);
  const Clock::time_point deadline = Clock::now() + kBudget;
  for (int attempt = 1;; ++attempt) {
    start_shell(bus.get(), deadline);
    if (out_of_time(deadline)) cannot_create("浏览器没有响应");

    ErrorSlot call_error;
    GVariantPtr reply(
        g_dbus_connection_call_sync(bus.get(), interface::kBusName, interface::kObjectPath, interface::kInterfaceName,
                                    "Create", g_variant_new("(s)", startup_id.c_str()), interface::reply_type("Create"),
                                    G_DBUS_CALL_FLAGS_NONE, remaining_ms(deadline), nullptr, call_error.out()));
    if (reply) {
      std::uint32_t handle = 0;
      g_variant_get(reply.get(), "(u)", &handle);
      return automation::ObjectPtr(new BrowserProxy(std::move(bus), handle, deadline));
    }
    // An idle shell ends a few seconds after its last client left, and a click can reach
    // it just then: the shell it leaves behind has gone, and a new one takes the call.
    if (attempt == 2 || !shell_went_away(call_error.get())) cannot_create(call_error.get()->message);
  }
}

BrowserProxy::BrowserProxy(GObjectPtr<GDBusConnection> bus, std::uint32_t handle, Clock::time_point deadline)
    : m_bus(std::move(bus)), m_handle(handle), m_deadline(deadline) {}

// Sent without waiting for an answer: the bus delivers it before any later call of ours,
// and if the shell has gone or hangs, its instance is no concern of ours any more.
BrowserProxy::~BrowserProxy() {
  g_dbus_connection_call(m_bus.get(), interface::kBusName, interface::kObjectPath, interface::kInterfaceName, "Release",
                         g_variant_new("(u)", m_handle), nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, nullptr,
                         nullptr);
}

GVariantPtr BrowserProxy::invoke(const char* method, GVariant* parameters) {
  GVariantPtr owned_parameters(g_variant_ref_sink(parameters));
  if (m_unresponsive || out_of_time(m_deadline)) {
    m_unresponsive = true;
    throw Error(errc::kObjectGone, "浏览器没有响应");
  }
  ErrorSlot error;
  GVariantPtr reply(g_dbus_connection_call_sync(m_bus.get(), interface::kBusName, interface::kObjectPath,
                                                interface::kInterfaceName, method, owned_parameters.get(),
                                                interface::reply_type(method), G_DBUS_CALL_FLAGS_NO_AUTO_START,
                                                remaining_ms(m_deadline), nullptr, error.out()));
  if (!reply) {
    if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_TIMED_OUT)) {
      m_unresponsive = true;
      throw Error(errc::kObjectGone, "浏览器没有响应");
    }
    call_failed(error.get());
  }
  return reply;
}

Value BrowserProxy::get(std::string_view member) {
  const std::string name(member);
  return unbox(invoke("Get", g_variant_new("(us)", m_handle, name.c_str())));
}

void BrowserProxy::put(std::string_view member, const Value& value) {
  const std::string name(member);
  invoke("Put", g_variant_new("(usv)", m_handle, name.c_str(), automation::to_gvariant(value)));
}

Value BrowserProxy::call(std::string_view member, std::span<const Value> args) {
  const std::string name(member);
  GVariantBuilder builder;
  g_variant_builder_init(&builder, G_VARIANT_TYPE("av"));
  try {
    for (const Value& arg : args) g_variant_builder_add(&builder, "v", automation::to_gvariant(arg));
  } catch (...) {
    g_variant_builder_clear(&builder);
    throw;
  }
  return unbox(invoke("Invoke", g_variant_new("(usav)", m_handle, name.c_str(), &builder)));
}

}  // namespace veltrano::platform
