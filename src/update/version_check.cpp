#include "update/version_check.h"

#include <glib.h>

#include <algorithm>

#include "config.h"

namespace veltrano::update {
namespace {

// UTF-8, NULs allowed (GLib's check stops at the first one).
bool valid_utf8(std::string_view text) {
  for (;;) {
    const std::size_t nul = text.find('\0');
    const std::string_view piece = text.substr(0, nul);
    if (!g_utf8_validate(piece.data(), static_cast<gssize>(piece.size()), nullptr)) return false;
    if (nul == std::string_view::npos) return true;
    text.remove_prefix(nul + 1);
  }
}

}  // namespace

std::string VersionUrl() { return "http://" + std::string(config::kHomeHost) + "/ver.html"; }

bool AnnouncesUpdate(std::string_view current, std::string_view latest) {
  if (latest.empty() || latest == current) return false;
  // Text that is not UTF-8 did not come from the decoder, and announces nothing.
  if (!valid_utf8(latest)) return false;
  // Characters, not bytes: one lead byte per character.
  const auto length = std::count_if(latest.begin(), latest.end(),
                                    [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; });
  return static_cast<std::size_t>(length) <= kMaxVersionLength;
}

}  // namespace veltrano::update
