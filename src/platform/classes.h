// The classes this program can create by name.
#pragma once

#include "automation/registry.h"
#include "platform/http_exchange.h"

namespace veltrano::platform {

// "InternetExplorer.application", "MSXML2.XMLHTTP" and "adodb.stream". The requests take
// over early ones they match; early, if given, outlives the registry's objects.
automation::Registry platform_classes(EarlyRequests* early = nullptr);

}  // namespace veltrano::platform
