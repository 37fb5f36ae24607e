#include "platform/classes.h"

#include "interface/browser_interface.h"
#include "platform/browser_proxy.h"
#include "platform/text_stream.h"
#include "platform/xmlhttp.h"

namespace veltrano::platform {

automation::Registry platform_classes(EarlyRequests* early, StartupIdSource startup_id) {
  automation::Registry registry;
  registry.add(interface::kClassName,
               [startup_id = std::move(startup_id)] { return BrowserProxy::create(startup_id ? startup_id() : ""); });
  registry.add("MSXML2.XMLHTTP", [early] { return std::make_unique<XmlHttpRequest>(early); });
  registry.add("adodb.stream", [] { return std::make_unique<TextStream>(); });
  return registry;
}

}  // namespace veltrano::platform
