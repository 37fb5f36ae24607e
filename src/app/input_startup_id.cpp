#include "app/input_startup_id.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

#include "config.h"
#include "support/glib_ptr.h"

namespace veltrano::app {
namespace {

// The time of the input being handled: the click's own while its handler runs; else (an
// accessibility action, say) on X11 the time of the user's last input in the launcher, as
// GTK would take for a window of ours. GDK_CURRENT_TIME where there is none.
guint32 input_time(GdkDisplay* display) {
  guint32 time = gtk_get_current_event_time();
#ifdef GDK_WINDOWING_X11
  if (time == GDK_CURRENT_TIME && GDK_IS_X11_DISPLAY(display)) time = gdk_x11_display_get_user_time(display);
#else
  (void)display;
#endif
  return time;
}

}  // namespace

std::string startup_id_for_current_input() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return {};
  const guint32 time = input_time(display);
#ifdef GDK_WINDOWING_X11
  if (GDK_IS_X11_DISPLAY(display) && time == GDK_CURRENT_TIME) return {};
#endif
  // GTK's launch context does what the desktop expects of a launcher. On X11 it announces a
  // startup sequence stamped with the input's time (openbox, for one, takes a window's launch
  // time from the sequence its startup id names, never from the window's user time); the
  // shell completes it when it shows the window. On Wayland it asks the compositor for an
  // activation token bound to the last input and the launcher's window.
  const GObjectPtr<GdkAppLaunchContext> context(gdk_display_get_app_launch_context(display));
  gdk_app_launch_context_set_timestamp(context.get(), time);
  const GObjectPtr<GAppInfo> shell(
      g_app_info_create_from_commandline(config::kBrowserExecutable, "电子走势图", G_APP_INFO_CREATE_NONE, nullptr));
  if (!shell) return {};
  g_autofree char* id =
      g_app_launch_context_get_startup_notify_id(G_APP_LAUNCH_CONTEXT(context.get()), shell.get(), nullptr);
  return id ? id : "";
}

}  // namespace veltrano::app
