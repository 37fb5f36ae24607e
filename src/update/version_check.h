// Whether the service's version document announces a version other than ours.
#pragma once

#include <string>
#include <string_view>

namespace veltrano::update {

inline constexpr char kCurrentVersion[] = "1.0.2";
// The longest answer, in characters, taken for a version; anything longer is an error page.
inline constexpr std::size_t kMaxVersionLength = 19;

// Where the service keeps the number of its current version.
std::string VersionUrl();

// True when latest (already trimmed) is a short text other than current: any such text,
// older or newer, announces an update. An empty text announces nothing.
bool AnnouncesUpdate(std::string_view current, std::string_view latest);

}  // namespace veltrano::update
