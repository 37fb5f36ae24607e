#include "launcher/browser_launcher.h"

#include "automation/procedure.h"

namespace veltrano::launcher {

using automation::deref;
using automation::OnError;
using automation::Value;

// The browser takes "statusbar" as a number, which the launch has always given it; 0 hides it.
constexpr std::int16_t kNoStatusBar = 0;

void BrowserLauncher(const LaunchProfile& profile, const automation::Registry& registry) {
  // Declared first so that it is released last, after every step, whatever failed.
  automation::ObjectPtr browser;
  automation::Procedure proc(profile.trapFailures ? OnError::ResumeNext : OnError::Propagate);
  const auto set = [&](const char* member, const Value& value) {
    proc.step([&] { deref(browser).put(member, value); });
  };

  proc.step([&] { browser = registry.create(interface::kClassName); });
  set("Visible", true);
  proc.step([&] {
    const Value url(launch_url(profile));
    deref(browser).call("Navigate", {&url, 1});
  });
  set("Width", profile.width);
  set("Height", profile.height);
  set("Left", profile.left);
  set("Top", profile.top);
  set("FullScreen", profile.fullScreen);
  set("addressbar", false);
  set("menubar", false);
  set("toolbar", false);
  if (profile.setStatusBar) set("statusbar", kNoStatusBar);
}

}  // namespace veltrano::launcher
