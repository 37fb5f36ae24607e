#include <gdk/gdk.h>
#include <glib.h>

#include "shell_app.h"

int main() {
  // Windows are placed where clients ask, which only X11 lets a program do.
  gdk_set_allowed_backends("x11,*");
  g_set_prgname("veltrano-browser");
  return veltrano::browser::ShellApp::create()->run();
}
