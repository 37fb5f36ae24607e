#include "resources.h"

#include <gio/gio.h>

#include "support/glib_ptr.h"

// The files, compiled in by glib-compile-resources.
extern "C" void veltrano_browser_register_resource(void);

namespace veltrano::browser {

std::string resource_text(std::string_view name) {
  static const bool registered = (veltrano_browser_register_resource(), true);
  (void)registered;
  const std::string path = "/org/veltrano/browser/" + std::string(name);
  const GBytesPtr bytes(g_resources_lookup_data(path.c_str(), G_RESOURCE_LOOKUP_FLAGS_NONE, nullptr));
  if (!bytes) return {};
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(bytes.get(), &size));
  return std::string(data, size);
}

std::string fill_template(std::string_view text, const std::map<std::string_view, std::string>& values) {
  std::string filled;
  filled.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t open = text.find('@', at);
    const std::size_t close = open == std::string_view::npos ? open : text.find('@', open + 1);
    if (close == std::string_view::npos) {
      filled.append(text.substr(at));
      break;
    }
    filled.append(text.substr(at, open - at));
    if (const auto value = values.find(text.substr(open + 1, close - open - 1)); value != values.end()) {
      filled.append(value->second);
      at = close + 1;
    } else {
      filled.push_back('@');  // not a name: the second '@' may open one
      at = open + 1;
    }
  }
  return filled;
}

}  // namespace veltrano::browser
