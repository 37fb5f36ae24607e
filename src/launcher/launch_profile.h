// How each control opens its page: one record per launch, the five of them in one table.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace veltrano::launcher {

enum class Host { Content, Home };

struct LaunchProfile {
  std::string_view name;  // the control whose click starts the launch
  Host host;
  std::string_view path;  // empty for the home page
  std::int16_t width, height;
  std::int16_t left, top;
  bool fullScreen;
  bool setStatusBar;  // when set, "statusbar" gets the integer 0
  bool trapFailures;  // true: a failing step is skipped; false: it ends the launch
};

std::span<const LaunchProfile> launch_profiles();
// The profile named after a control; throws std::out_of_range for any other name.
const LaunchProfile& launch_profile(std::string_view name);

// "http://" + host + path, nothing added.
std::string launch_url(const LaunchProfile& profile);

}  // namespace veltrano::launcher
