#include "window_activation.h"

#include <gdk/gdk.h>
#ifdef GDK_WINDOWING_WAYLAND
#include <gdk/gdkwayland.h>
#endif

#include <algorithm>

#include "automation/error.h"

namespace veltrano::browser {

WindowActivation WindowActivation::from_client(std::string startup_id) {
  const bool printable = std::all_of(startup_id.begin(), startup_id.end(), [](char c) { return c > ' ' && c < 0x7f; });
  if (startup_id.size() > kMaxLength || !printable)
    throw automation::Error(
        automation::errc::kInvalidCall,
        "Create：无效的启动标识（应为至多 " + std::to_string(kMaxLength) + " 个可打印的 ASCII 字符）");
  return WindowActivation(std::move(startup_id));
}

void WindowActivation::show(GtkWindow* window) const {
  GtkWidget* widget = GTK_WIDGET(window);
  if (m_startup_id.empty()) {
    gtk_widget_show(widget);
    return;
  }
#ifdef GDK_WINDOWING_WAYLAND
  if (GdkDisplay* display = gtk_widget_get_display(widget); GDK_IS_WAYLAND_DISPLAY(display)) {
    // GTK takes the display's id for the next focus request, which present() makes once
    // the window has its surface: the compositor activates it with the token.
    gdk_wayland_display_set_startup_notification_id(display, m_startup_id.c_str());
    gtk_widget_show(widget);
    gtk_window_present(window);
    return;
  }
#endif
  // A realized window given an id of "_TIME<t>" alone is presented with that time, which
  // shows it; another is shown below with the id set, and GTK completes its sequence.
  gtk_window_set_startup_id(window, m_startup_id.c_str());
  gtk_widget_show(widget);
}

}  // namespace veltrano::browser
