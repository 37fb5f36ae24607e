#include "interface/browser_interface.h"

#include <iterator>
#include <map>
#include <string>

#include "support/glib_ptr.h"

// The description, compiled in by glib-compile-resources.
extern "C" void veltrano_interface_register_resource(void);

namespace veltrano::interface {
namespace {

namespace errc = automation::errc;

constexpr auto code(BrowserError e) { return static_cast<gint>(e); }
constexpr std::size_t kCodes = code(BrowserError::Failed) + 1;

// The name of each code on the bus, and the automation error number it stands for.
constexpr GDBusErrorEntry kNames[] = {
    {code(BrowserError::InvalidArgument), "org.veltrano.Browser1.Error.InvalidArgument"},
    {code(BrowserError::Overflow), "org.veltrano.Browser1.Error.Overflow"},
    {code(BrowserError::TypeMismatch), "org.veltrano.Browser1.Error.TypeMismatch"},
    {code(BrowserError::UnknownMember), "org.veltrano.Browser1.Error.UnknownMember"},
    {code(BrowserError::WrongArgCount), "org.veltrano.Browser1.Error.WrongArgCount"},
    {code(BrowserError::Gone), "org.veltrano.Browser1.Error.Gone"},
    {code(BrowserError::CannotCreate), "org.veltrano.Browser1.Error.CannotCreate"},
    {code(BrowserError::Failed), "org.veltrano.Browser1.Error.Failed"},
};
constexpr std::int32_t kNumbers[] = {errc::kInvalidCall,   errc::kOverflow,   errc::kTypeMismatch, errc::kNoSuchMember,
                                     errc::kWrongArgCount, errc::kObjectGone, errc::kCannotCreate, errc::kInternal};
// Every code has a name and a number, in the order of the codes.
static_assert(std::size(kNames) == kCodes && std::size(kNumbers) == kCodes);
static_assert([] {
  for (std::size_t i = 0; i < kCodes; ++i)
    if (kNames[i].error_code != static_cast<gint>(i)) return false;
  return true;
}());

GDBusNodeInfo* load_node() {
  veltrano_interface_register_resource();
  const GBytesPtr xml(g_resources_lookup_data("/org/veltrano/interface/org.veltrano.Browser1.xml",
                                              G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr));
  return g_dbus_node_info_new_for_xml(static_cast<const char*>(g_bytes_get_data(xml.get(), nullptr)),
                                      nullptr);  // built in and checked by the tests: never null
}

}  // namespace

GDBusInterfaceInfo* interface_info() {
  static GDBusNodeInfo* const node = load_node();  // kept for the process's life
  return g_dbus_node_info_lookup_interface(node, kInterfaceName);
}

const GVariantType* reply_type(const char* method) {
  // One type string per method, made on first use and kept, like the description itself.
  // A GVariantType is its type string, as G_VARIANT_TYPE has it.
  static const std::map<std::string, std::string> types = [] {
    std::map<std::string, std::string> made;
    for (GDBusMethodInfo** m = interface_info()->methods; m && *m; ++m) {
      std::string signature = "(";
      for (GDBusArgInfo** arg = (*m)->out_args; arg && *arg; ++arg) signature += (*arg)->signature;
      made.emplace((*m)->name, signature + ")");
    }
    return made;
  }();
  return G_VARIANT_TYPE(types.at(method).c_str());
}

GQuark error_quark() {
  static gsize quark = 0;
  g_dbus_error_register_error_domain("veltrano-browser-error-quark", &quark, kNames, kCodes);
  return static_cast<GQuark>(quark);
}

GError* to_gerror(const automation::Error& error) {
  gint found = code(BrowserError::Failed);
  for (std::size_t i = 0; i < kCodes; ++i)
    if (kNumbers[i] == error.number()) found = static_cast<gint>(i);
  return g_error_new_literal(error_quark(), found, error.description().c_str());
}

automation::Error from_gerror(const GError* error) {
  const GErrorPtr copy(g_error_copy(error));
  g_dbus_error_strip_remote_error(copy.get());
  const std::string message = copy->message;
  const bool ours = copy->domain == error_quark() && copy->code >= 0 && static_cast<std::size_t>(copy->code) < kCodes;
  const gint found = copy->code;
  if (ours) return automation::Error(kNumbers[found], message);
  return automation::Error(errc::kObjectGone, "浏览器已断开：" + message);
}

}  // namespace veltrano::interface
