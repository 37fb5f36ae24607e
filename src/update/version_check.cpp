#include "update/version_check.h"

#include <glib.h>

#include <array>

#include "config.h"

namespace veltrano::update {
namespace {

constexpr std::array<std::string_view, 6> kBlanks{" ", "\t", "\r", "\n", "\u3000", "\uFEFF"};

bool strip_one(std::string_view& text, bool front) {
  for (std::string_view blank : kBlanks) {
    if (front && text.starts_with(blank)) {
      text.remove_prefix(blank.size());
      return true;
    }
    if (!front && text.ends_with(blank)) {
      text.remove_suffix(blank.size());
      return true;
    }
  }
  return false;
}

}  // namespace

std::string VersionUrl() { return "http://" + std::string(config::kHomeHost) + "/ver.html"; }

std::string TrimVersionText(std::string_view text) {
  while (strip_one(text, true)) {
  }
  while (strip_one(text, false)) {
  }
  return std::string(text);
}

bool AnnouncesUpdate(std::string_view current, std::string_view latest) {
  if (latest.empty() || latest == current) return false;
  // Characters, not bytes. Text that is not valid UTF-8 cannot come from the decoder;
  // counted in bytes it is at least as long, so it errs towards no notice.
  const glong length = g_utf8_validate(latest.data(), static_cast<gssize>(latest.size()), nullptr)
                           ? g_utf8_strlen(latest.data(), static_cast<gssize>(latest.size()))
                           : static_cast<glong>(latest.size());
  return static_cast<std::size_t>(length) <= kMaxVersionLength;
}

}  // namespace veltrano::update
