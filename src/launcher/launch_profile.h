// How each control opens its page: one record per launch, the five of them in one table.
#pragma once

#include <cstdint>
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
  bool setStatusBar;  // the launch hides the status bar; others leave it to the browser
  bool trapFailures;  // a failing step is skipped; without, it ends the launch and is reported
};

// The profile named after a control; throws std::out_of_range for any other name.
const LaunchProfile& launch_profile(std::string_view name);

// "http://" + host + path, nothing added.
std::string launch_url(const LaunchProfile& profile);

}  // namespace veltrano::launcher
