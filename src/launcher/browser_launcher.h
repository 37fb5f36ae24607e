// Opens one page in a new, stripped-down browser window and lets go of it.
#pragma once

#include "automation/registry.h"
#include "interface/browser_interface.h"
#include "launcher/launch_profile.h"

namespace veltrano::launcher {

// Reports nothing. With profile.trapFailures a failing step is skipped; without, the
// first failure leaves as automation::Error. The browser object is released either way.
void BrowserLauncher(const LaunchProfile& profile, const automation::Registry& registry);

}  // namespace veltrano::launcher
