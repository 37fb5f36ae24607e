// What counts as a web page's address, for the launcher's requests and the shell's windows
// alike: http or https, with a host.
#pragma once

#include <string>

#include "support/glib_ptr.h"

namespace veltrano::support {

// Whether uri's scheme is http or https, in any letter case.
bool http_or_https(const GUri* uri);

enum class WebUrlFault { kNone, kUnreadable, kScheme, kNoHost };

// text read as an address (against base, when there is one), and what keeps it from being
// a web page's: uri is set unless text could not be read at all.
struct WebUrl {
  GUriPtr uri;
  WebUrlFault fault = WebUrlFault::kNone;
};
WebUrl read_web_url(const std::string& text, GUri* base = nullptr, GUriFlags flags = G_URI_FLAGS_NONE);

}  // namespace veltrano::support
