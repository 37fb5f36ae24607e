#include "automation_service.h"

#include <algorithm>

#include "automation/variant.h"
#include "browser_window.h"
#include "interface/browser_interface.h"

namespace veltrano::browser {

using automation::Error;
using automation::Value;
namespace errc = automation::errc;

namespace {

GVariant* boxed(const Value& value) { return g_variant_new("(v)", automation::to_gvariant(value)); }

}  // namespace

AutomationService::AutomationService(GDBusConnection* connection, ShellWindows& windows, Gio::Application& app)
    : m_connection(G_DBUS_CONNECTION(g_object_ref(connection))), m_windows(windows), m_app(app) {
  static const GDBusInterfaceVTable kVTable = {
      &AutomationService::on_method_call, &AutomationService::on_get_property, nullptr, {}};
  ErrorSlot error;
  m_registration = g_dbus_connection_register_object(m_connection.get(), interface::kObjectPath,
                                                     interface::interface_info(), &kVTable, this, nullptr, error.out());
  if (!m_registration)
    throw std::runtime_error(std::string("cannot export the browser interface: ") + error.get()->message);
}

AutomationService::~AutomationService() {
  for (const auto& [client, watch] : m_client_watches) g_bus_unwatch_name(watch);
  g_dbus_connection_unregister_object(m_connection.get(), m_registration);
}

void AutomationService::on_method_call(GDBusConnection*, const gchar* sender, const gchar*, const gchar*,
                                       const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                                       gpointer self) {
  try {
    g_dbus_method_invocation_return_value(
        invocation, static_cast<AutomationService*>(self)->dispatch(sender ? sender : "", method, parameters));
  } catch (...) {
    g_dbus_method_invocation_take_error(
        invocation, interface::to_gerror(automation::as_automation_error(std::current_exception())));
  }
}

GVariant* AutomationService::on_get_property(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                             const gchar* property, GError** error, gpointer) {
  if (g_strcmp0(property, "Members") != 0) {
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "no property %s", property);
    return nullptr;
  }
  GVariantBuilder names;
  g_variant_builder_init(&names, G_VARIANT_TYPE_STRING_ARRAY);
  for (const auto& member : BrowserObject::members())
    g_variant_builder_add(&names, "s", std::string(member.name).c_str());
  return g_variant_builder_end(&names);
}

// GDBus has checked the argument types against the introspection data already.
GVariant* AutomationService::dispatch(const std::string& sender, const std::string& method, GVariant* parameters) {
  std::uint32_t handle = 0;
  const char* member = nullptr;
  if (method == "Prepare") {
    m_preparing.try_emplace(sender, m_app);
    watch_client(sender);
    m_windows.prepare_window();
    return nullptr;
  }
  if (method == "Create") {
    const char* startup_id = nullptr;
    g_variant_get(parameters, "(&s)", &startup_id);
    return g_variant_new("(u)", create(sender, startup_id));
  }
  if (method == "Release") {
    g_variant_get(parameters, "(u)", &handle);
    instance(handle, sender);
    release(handle);
    return nullptr;
  }
  if (method == "Get") {
    g_variant_get(parameters, "(u&s)", &handle, &member);
    return boxed(instance(handle, sender).object.get(member));
  }
  if (method == "Put") {
    GVariant* wrapped = nullptr;
    g_variant_get(parameters, "(u&sv)", &handle, &member, &wrapped);
    const Value value = automation::from_gvariant(GVariantPtr(wrapped).get());
    instance(handle, sender).object.put(member, value);
    return nullptr;
  }
  if (method == "Invoke") {
    GVariantIter* iter = nullptr;
    g_variant_get(parameters, "(u&sav)", &handle, &member, &iter);
    const GVariantIterPtr arguments(iter);
    std::vector<Value> args;
    for (GVariant* arg = nullptr; g_variant_iter_next(iter, "v", &arg);)
      args.push_back(automation::from_gvariant(GVariantPtr(arg).get()));
    return boxed(instance(handle, sender).object.call(member, args));
  }
  throw Error(errc::kNoSuchMember, "未知的方法“" + method + "”");
}

std::uint32_t AutomationService::create(const std::string& sender, const char* startup_id) {
  WindowActivation activation = WindowActivation::from_client(startup_id);
  const auto held = std::count_if(m_instances.begin(), m_instances.end(),
                                  [&](const auto& entry) { return entry.second.owner == sender; });
  if (static_cast<std::size_t>(held) >= kMaxInstancesPerClient)
    throw Error(errc::kCannotCreate, "浏览器实例过多：请先释放不用的实例");
  if (!m_windows.unavailable().empty()) throw Error(errc::kCannotCreate, m_windows.unavailable());
  const unsigned window_id = m_windows.open_window(nullptr);
  m_windows.window(window_id)->set_activation(std::move(activation));
  if (!m_preparing.empty()) m_windows.prepare_window_soon();  // for the next click
  const std::uint32_t handle = m_next_handle++;
  m_instances.emplace(handle, Instance{sender, window_id, BrowserObject([&windows = m_windows, window_id] {
                                         return windows.window(window_id);
                                       }),
                                       ApplicationHold(m_app)});
  watch_client(sender);
  return handle;
}

AutomationService::Instance& AutomationService::instance(std::uint32_t handle, const std::string& sender) {
  const auto it = m_instances.find(handle);
  // Another client's handle is as unknown to a caller as one never given out.
  if (it == m_instances.end() || it->second.owner != sender)
    throw Error(errc::kObjectGone, "无效的浏览器实例 " + std::to_string(handle) + "（已释放或不属于调用者）");
  return it->second;
}

void AutomationService::release(std::uint32_t handle) {
  const auto it = m_instances.find(handle);
  if (it == m_instances.end()) return;
  const unsigned window_id = it->second.window_id;
  const std::string owner = it->second.owner;
  m_instances.erase(it);
  if (BrowserWindow* window = m_windows.window(window_id); window && !window->pending_show().visible_or_asked())
    m_windows.close_window(window_id);
  else if (window)
    window->pending_show().show_if_asked();  // the client has done with it: placed, or not at all

  forget_client_if_idle(owner);
}

void AutomationService::forget_client_if_idle(const std::string& client) {
  const bool holds_more =
      m_preparing.contains(client) || std::any_of(m_instances.begin(), m_instances.end(),
                                                  [&](const auto& entry) { return entry.second.owner == client; });
  if (holds_more) return;
  if (const auto watch = m_client_watches.find(client); watch != m_client_watches.end()) {
    g_bus_unwatch_name(watch->second);
    m_client_watches.erase(watch);
  }
}

void AutomationService::watch_client(const std::string& client) {
  if (m_client_watches.contains(client)) return;
  const guint watch = g_bus_watch_name_on_connection(
      m_connection.get(), client.c_str(), G_BUS_NAME_WATCHER_FLAGS_NONE, nullptr,
      [](GDBusConnection*, const gchar* name, gpointer self) {
        static_cast<AutomationService*>(self)->on_client_vanished(name);
      },
      this, nullptr);
  m_client_watches.emplace(client, watch);
}

void AutomationService::on_client_vanished(const std::string& client) {
  std::vector<std::uint32_t> handles;
  for (const auto& [handle, instance] : m_instances)
    if (instance.owner == client) handles.push_back(handle);
  m_preparing.erase(client);
  for (std::uint32_t handle : handles) release(handle);
  forget_client_if_idle(client);
}

}  // namespace veltrano::browser
