// The classes this program can create by name.
#pragma once

#include "automation/registry.h"

namespace veltrano::platform {

// "InternetExplorer.application", "MSXML2.XMLHTTP" and "adodb.stream".
automation::Registry platform_classes();

}  // namespace veltrano::platform
