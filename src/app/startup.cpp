#include "app/startup.h"

#include <glibmm/miscutils.h>
#include <gtkmm/application.h>

#include <optional>

#include "app/error_report.h"
#include "app/form1.h"
#include "platform/classes.h"

namespace veltrano::app {

int Main() {
  // The program speaks Simplified Chinese whatever the desktop's language: Han characters
  // take their Chinese (PRC) glyphs.
  Glib::setenv("PANGO_LANGUAGE", "zh-cn", true);

  const automation::Registry registry = platform::platform_classes();
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
