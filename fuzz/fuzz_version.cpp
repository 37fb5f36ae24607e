// Document text in, state out: a notice only for a short text other than ours.
#include <glib.h>

#include <cstdint>
#include <string>

#include "support/text.h"
#include "update/version_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace veltrano::update;
  const std::string document(reinterpret_cast<const char*>(data), size);
  const std::string latest(veltrano::support::trimmed(document, veltrano::support::kDocumentBlanks));
  const bool notice = AnnouncesUpdate(kCurrentVersion, latest);
  if (latest.size() > document.size()) __builtin_trap();
  if (notice) {
    if (latest.empty() || latest == kCurrentVersion) __builtin_trap();
    if (g_utf8_validate(latest.data(), static_cast<gssize>(latest.size()), nullptr) &&
        g_utf8_strlen(latest.data(), static_cast<gssize>(latest.size())) > 19)
      __builtin_trap();
    if (latest.size() > 19 * 4) __builtin_trap();
  }
  return 0;
}
