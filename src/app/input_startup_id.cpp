#include "app/input_startup_id.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif

#include "config.h"
#include "support/glib_ptr.h"

namespace veltrano::app {
namespace {

#ifdef GDK_WINDOWING_WAYLAND
// GTK asks the compositor for a token bound to the last input's serial and the focused
// window; the application the launch context names is the shell, for the desktop's records.
std::string activation_token(GdkDisplay* display) {
  const GObjectPtr<GdkAppLaunchContext> context(gdk_display_get_app_launch_context(display));
  gdk_app_launch_context_set_timestamp(context.get(), gtk_get_current_event_time());
  const GObjectPtr<GAppInfo> shell(
      g_app_info_create_from_commandline(config::kBrowserExecutable, "电子走势图", G_APP_INFO_CREATE_NONE, nullptr));
  if (!shell) return {};
  g_autofree char* token =
      g_app_launch_context_get_startup_notify_id(G_APP_LAUNCH_CONTEXT(context.get()), shell.get(), nullptr);
  return token ? token : "";
}
#endif

}  // namespace

std::string startup_id_for_current_input() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return {};
#ifdef GDK_WINDOWING_X11
  if (GDK_IS_X11_DISPLAY(display)) {
    // The click's own time while its handler runs; else (an accessibility action, say) the
    // time of the user's last input in the launcher, as GTK would take for a window of ours.
    guint32 time = gtk_get_current_event_time();
    if (time == GDK_CURRENT_TIME) time = gdk_x11_display_get_user_time(display);
    return time == GDK_CURRENT_TIME ? std::string() : "_TIME" + std::to_string(time);
  }
#endif
#ifdef GDK_WINDOWING_WAYLAND
  if (GDK_IS_WAYLAND_DISPLAY(display)) return activation_token(display);
#endif
  return {};
}

}  // namespace veltrano::app
