// The desktop's proxy settings are read by GIO's default proxy resolver, which loads GIO's
// proxy modules when it is first asked for: several milliseconds of the window's thread.
#pragma once

namespace veltrano::platform {

// Has a worker thread find the default proxy resolver now, while this thread does other
// work; the first request then finds it ready.
void find_proxy_resolver_in_background();

}  // namespace veltrano::platform
