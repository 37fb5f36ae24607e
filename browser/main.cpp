#include <gdk/gdk.h>
#include <glib.h>

#include "shell_app.h"
#include "support/chinese_text.h"

int main() {
  veltrano::use_simplified_chinese_text();  // menus, bars and dialogs, whatever the locale
  // Windows are placed where clients ask, which only X11 lets a program do.
  gdk_set_allowed_backends("x11,*");
  g_set_prgname("veltrano-browser");
  return veltrano::browser::ShellApp::create()->run();
}
