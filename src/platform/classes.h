// The classes this program can create by name.
#pragma once

#include "automation/registry.h"
#include "platform/browser_proxy.h"
#include "platform/early_requests.h"

namespace veltrano::platform {

// "InternetExplorer.application", "MSXML2.XMLHTTP" and "adodb.stream". The requests take
// over early ones they match; early, if given, outlives the registry's objects. A browser
// window created while the user's input is handled answers it as startup_id says.
automation::Registry platform_classes(EarlyRequests* early = nullptr, StartupIdSource startup_id = {});

}  // namespace veltrano::platform
