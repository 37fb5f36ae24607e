#include "app/error_report.h"

#include <atkmm/object.h>
#include <gtkmm/messagedialog.h>

#include "config.h"

namespace veltrano::app {

void ReportUnhandledError(Gtk::Window* parent, const automation::Error& error) {
  const Glib::ustring primary = "运行时错误 '" + std::to_string(error.number()) + "'";
  std::unique_ptr<Gtk::MessageDialog> dialog =
      parent
          ? std::make_unique<Gtk::MessageDialog>(*parent, primary, false, Gtk::MESSAGE_ERROR, Gtk::BUTTONS_NONE, true)
          : std::make_unique<Gtk::MessageDialog>(primary, false, Gtk::MESSAGE_ERROR, Gtk::BUTTONS_NONE, true);
  dialog->set_title(config::kProductName);
  // GTK names the message for assistive tools in the desktop's language; use ours.
  dialog->get_accessible()->set_name(config::kProductName);
  dialog->set_secondary_text(error.description());
  dialog->add_button("确定", Gtk::RESPONSE_OK);
  dialog->set_default_response(Gtk::RESPONSE_OK);
  dialog->run();
}

}  // namespace veltrano::app
