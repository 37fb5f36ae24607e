// URL acceptance for "Navigate": only http and https with a host, or about:blank.
#include <glib.h>

#include <cstdint>
#include <string>

#include "addresses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string url(reinterpret_cast<const char*>(data), size);
  if (!veltrano::browser::acceptable_url(url)) return 0;
  if (url == "about:blank") return 0;
  gchar* scheme = g_uri_parse_scheme(url.c_str());
  if (!scheme || (g_ascii_strcasecmp(scheme, "http") != 0 && g_ascii_strcasecmp(scheme, "https") != 0))
    __builtin_trap();
  g_free(scheme);
  return 0;
}
