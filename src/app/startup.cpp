#include "app/startup.h"

#include <gtkmm/application.h>
#include <pango/pangocairo.h>

#include <optional>

#include "app/error_report.h"
#include "app/form1.h"
#include "app/input_startup_id.h"
#include "platform/classes.h"
#include "support/chinese_text.h"
#include "update/version_check.h"

namespace veltrano::app {

int Main() {
  // On the X server, Xwayland on a Wayland desktop, as the browser shell is (the one place
  // a window can be put where asked): the click's X server time is then what the window
  // manager compares with the time of the browser window that answers it.
  gdk_set_allowed_backends("x11,*");

  // Before any thread of ours or of GTK's starts: the environment is not changed while
  // another thread may read it.
  use_chinese_font_language();
  // Pango has fontconfig read its configuration and font list on a thread of Pango's own
  // once the font map exists, and the window's first layout waits for that. Made now, the
  // main thread's font map has it done while GTK starts.
  pango_cairo_font_map_get_default();
  // The version check's request goes out first, and moves on by itself while GTK starts
  // and the window is built; Form_Load takes it over. If the window never loads, the
  // request is abandoned with this.
  platform::EarlyRequests early;
  early.start(update::VersionUrl());
  gtk_init(nullptr, nullptr);  // which the application would do next
  use_simplified_chinese_text();
  const automation::Registry registry = platform::platform_classes(&early, &startup_id_for_current_input);
  // Several launchers may run at once; each is a program of its own.
  auto application = Gtk::Application::create("org.veltrano.Launcher", Gio::APPLICATION_NON_UNIQUE);
  std::optional<Form1> form;  // the single instance, created on first use
  int status = 0;
  application->signal_activate().connect([&] {
    try {
      if (!form) form.emplace(registry);
      application->add_window(*form);
      form->Show();
    } catch (...) {
      ReportUnhandledError(nullptr, automation::as_automation_error(std::current_exception()));
      status = 1;
    }
  });
  const int run_status = application->run();
  if (form) status = std::max(status, form->exit_status());
  return run_status != 0 ? run_status : status;
}

}  // namespace veltrano::app
