#include "launcher/launch_profile.h"

#include <array>
#include <stdexcept>

#include "config.h"

namespace veltrano::launcher {
namespace {

// clang-format off
constexpr std::array<LaunchProfile, 5> kProfiles{{
  // name        host           path                    width height left top  fullScreen statusBar trap
  {"Command1", Host::Content, "/freeVeltrano.asp",     600,  300,   0,   0,   true,      true,     true},
  {"Command2", Host::Content, "/readme.html",          1024, 768,   0,   0,   false,     false,    true},
  {"Command4", Host::Content, "/lncount/numlost.asp",  1024, 768,   0,   0,   false,     false,    true},
  {"Command5", Host::Content, "/userlogin2.asp",       1024, 768,   0,   0,   false,     true,     true},
  {"Label5",   Host::Home,    "",                      1024, 768,   0,   0,   false,     false,    false},
}};
// clang-format on

}  // namespace

const LaunchProfile& launch_profile(std::string_view name) {
  for (const auto& profile : kProfiles)
    if (profile.name == name) return profile;
  throw std::out_of_range("no launch profile " + std::string(name));
}

std::string launch_url(const LaunchProfile& profile) {
  const char* host = profile.host == Host::Content ? config::kContentHost : config::kHomeHost;
  return "http://" + std::string(host) + std::string(profile.path);
}

}  // namespace veltrano::launcher
