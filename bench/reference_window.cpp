// The reference for start-up: the launcher's window built with the same toolkit, the same
// controls, captions, font and pictures, and nothing else (no version check, no automation).
#include <gtkmm.h>

#include "app/control_table.h"

using namespace veltrano::app;

int main() {
  Glib::setenv("PANGO_LANGUAGE", "zh-cn", true);
  auto app = Gtk::Application::create("org.veltrano.Reference", Gio::APPLICATION_NON_UNIQUE);
  Gtk::Window window;
  Gtk::Fixed fixed;
  std::vector<std::unique_ptr<Gtk::Widget>> widgets;
  app->signal_activate().connect([&] {
    auto css = Gtk::CssProvider::create();
    css->load_from_data("* { font-size: 8.5pt; } button { padding: 0 2px; min-height: 0; }");
    Gtk::StyleContext::add_provider_for_screen(window.get_screen(), css, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    window.set_title("Veltrano");
    window.set_icon(Gdk::Pixbuf::create_from_resource("/org/veltrano/veltrano.png"));
    window.set_default_size(to_pixels(kClientWidthTwips), to_pixels(kClientHeightTwips));
    for (const ControlSpec& control : form1_controls()) {
      std::unique_ptr<Gtk::Widget> widget;
      if (control.kind == ControlKind::Button) {
        widget = std::make_unique<Gtk::Button>(control.caption);
      } else if (control.kind == ControlKind::Label) {
        auto label = std::make_unique<Gtk::Label>(control.caption);
        label->set_line_wrap(true);
        label->set_xalign(0.0f);
        label->set_yalign(0.0f);
        widget = std::move(label);
      } else {
        widget = std::make_unique<Gtk::Image>(Gdk::Pixbuf::create_from_resource("/org/veltrano/logo.jpg"));
      }
      widget->set_size_request(to_pixels(control.width), to_pixels(control.height));
      fixed.put(*widget, to_pixels(control.left), to_pixels(control.top));
      widgets.push_back(std::move(widget));
    }
    window.add(fixed);
    fixed.show_all();
    app->add_window(window);
    window.present();
  });
  return app->run();
}
