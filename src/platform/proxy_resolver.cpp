#include "platform/proxy_resolver.h"

#include <gio/gio.h>

#include "support/glib_ptr.h"

namespace veltrano::platform {

void find_proxy_resolver_in_background() {
  const GObjectPtr<GTask> task(g_task_new(nullptr, nullptr, nullptr, nullptr));
  // GIO makes the default resolver once, under its own lock, for whichever thread asks first.
  g_task_run_in_thread(task.get(), [](GTask* self, gpointer, gpointer, GCancellable*) {
    g_proxy_resolver_get_default();
    g_task_return_boolean(self, TRUE);
  });
}

}  // namespace veltrano::platform
