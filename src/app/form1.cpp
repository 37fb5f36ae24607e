#include "app/form1.h"

#include <atk/atk.h>
#include <glibmm/main.h>
#include <gtkmm/application.h>
#include <gtkmm/button.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/image.h>

#include "app/control_table.h"
#include "app/error_report.h"
#include "automation/procedure.h"
#include "config.h"
#include "launcher/browser_launcher.h"
#include "support/text.h"
#include "update/module1.h"
#include "update/version_check.h"

namespace veltrano::app {

using automation::OnError;
using automation::Procedure;

namespace {

// The captions were laid out for a 9-point face whose lines are 12 pixels apart. The CJK
// faces of a Linux desktop set their lines much further apart, so labels get that spacing
// back explicitly; with it every caption fits in its designed rectangle.
constexpr double kLabelLineHeightPx = 12.0;
constexpr char kStyle[] = R"(
  window.veltrano-main * { font-size: 8.5pt; }
  window.veltrano-main button { padding: 0 2px; min-height: 0; }
)";

constexpr char kUpdateNotice[] = "发现新版本，点击此处更新";
constexpr char kLinkColour[] = "#1a5fb4";

struct ClickRoute {
  std::string_view control;
  void (Form1::*procedure)();
};
constexpr ClickRoute kButtonClicks[] = {
    {"Command1", &Form1::Command1_Click}, {"Command2", &Form1::Command2_Click}, {"Command3", &Form1::Command3_Click},
    {"Command4", &Form1::Command4_Click}, {"Command5", &Form1::Command5_Click},
};

void name_for_assistive_tools(Gtk::Widget& widget, std::string_view name) {
  atk_object_set_accessible_id(widget.get_accessible()->gobj(), std::string(name).c_str());
}

}  // namespace

bool ControlPanel::on_focus(Gtk::DirectionType direction) {
  if ((direction != Gtk::DIR_TAB_FORWARD && direction != Gtk::DIR_TAB_BACKWARD) || m_tab_order.empty())
    return Gtk::Fixed::on_focus(direction);
  const auto n = static_cast<std::ptrdiff_t>(m_tab_order.size());
  std::ptrdiff_t at = -1;
  for (std::ptrdiff_t i = 0; i < n; ++i)
    if (m_tab_order[static_cast<std::size_t>(i)]->has_focus()) at = i;
  const std::ptrdiff_t next =
      at < 0 ? (direction == Gtk::DIR_TAB_FORWARD ? 0 : n - 1) : at + (direction == Gtk::DIR_TAB_FORWARD ? 1 : -1);
  if (next < 0 || next >= n) return false;  // the window wraps round to the other end
  m_tab_order[static_cast<std::size_t>(next)]->grab_focus();
  return true;
}

Form1::Form1(const automation::Registry& registry) : m_registry(registry) {
  set_title(config::kProductName);
  set_icon(Gdk::Pixbuf::create_from_resource("/org/veltrano/veltrano.png"));
  get_style_context()->add_class("veltrano-main");
  auto css = Gtk::CssProvider::create();
  css->load_from_data(kStyle);
  Gtk::StyleContext::add_provider_for_screen(get_screen(), css, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);

  m_panel.set_size_request(to_pixels(kClientWidthTwips), to_pixels(kClientHeightTwips));
  // Wrapping labels would ask for their whole caption on one line.
  set_default_size(to_pixels(kClientWidthTwips), to_pixels(kClientHeightTwips));
  build_controls();
  add(m_panel);
  m_panel.show_all();
  m_first_draw = signal_draw().connect(sigc::mem_fun(*this, &Form1::on_first_draw), false);
}

// The browser is got ready once the window is on the screen, never before: the user sees
// the window as soon as without it.
bool Form1::on_first_draw(const Cairo::RefPtr<Cairo::Context>&) {
  m_first_draw.disconnect();
  Glib::signal_idle().connect_once(sigc::mem_fun(*this, &Form1::warm_up_browser));
  return false;
}

void Form1::warm_up_browser() { m_shell_warmup.emplace(); }

void Form1::build_controls() {
  for (const ControlSpec& control : form1_controls()) {
    Gtk::Widget* widget = nullptr;
    switch (control.kind) {
      case ControlKind::Button: {
        auto button = std::make_unique<Gtk::Button>(control.caption);
        for (const ClickRoute& route : kButtonClicks)
          if (route.control == control.name)
            button->signal_clicked().connect([this, route] { run_event(route.procedure, Unhandled::EndProgram); });
        m_panel.append_tab_stop(*button);
        widget = button.get();
        m_controls.push_back(std::move(button));
        break;
      }
      case ControlKind::Label: {
        auto label = std::make_unique<Gtk::Label>(control.caption);
        label->set_xalign(0.0f);
        label->set_yalign(0.0f);
        label->set_line_wrap(true);
        label->set_line_wrap_mode(Pango::WRAP_WORD_CHAR);
        g_autoptr(PangoAttrList) spacing = pango_attr_list_new();
        pango_attr_list_insert(spacing,
                               pango_attr_line_height_new_absolute(static_cast<int>(kLabelLineHeightPx * PANGO_SCALE)));
        gtk_label_set_attributes(label->gobj(), spacing);
        widget = label.get();
        if (control.name == "Label5") {
          m_label5 = label.get();
          m_label5_box.add(*label);
          m_label5_box.signal_button_press_event().connect(sigc::mem_fun(*this, &Form1::on_label5_button_press_event),
                                                           false);
          m_label5_box.signal_button_release_event().connect(
              sigc::mem_fun(*this, &Form1::on_label5_button_release_event), false);
          widget = &m_label5_box;
        }
        m_controls.push_back(std::move(label));
        break;
      }
      case ControlKind::Picture: {
        auto image = std::make_unique<Gtk::Image>(Gdk::Pixbuf::create_from_resource("/org/veltrano/logo.jpg"));
        widget = image.get();
        m_controls.push_back(std::move(image));
        break;
      }
    }
    widget->set_size_request(to_pixels(control.width), to_pixels(control.height));
    m_panel.put(*widget, to_pixels(control.left), to_pixels(control.top));
    name_for_assistive_tools(control.name == "Label5" ? *m_label5 : *widget, control.name);
  }
}

void Form1::Show() {
  if (!m_loaded) {
    m_loaded = true;
    // The window is made ready for the screen while the version check may still be on
    // its way; it is shown only once the check is over.
    realize();
    Form_Load();
  }
  present();
}

void Form1::Form_Load() {
  const std::string CurrentVersion = update::kCurrentVersion;
  Procedure proc(OnError::ResumeNext);
  std::string VersionUrl;
  std::string LatestVersion;
  bool announce = false;
  proc.step([&] { VersionUrl = update::VersionUrl(); });
  proc.step([&] {
    LatestVersion =
        support::trimmed(update::FetchPageText(VersionUrl, m_registry).value_or(""), support::kDocumentBlanks);
  });
  proc.step([&] { announce = update::AnnouncesUpdate(CurrentVersion, LatestVersion); });
  if (announce) {
    proc.step([&] {
      m_label5->set_markup(
          Glib::ustring::compose("<span foreground=\"%1\"><u>%2</u></span>", kLinkColour, kUpdateNotice));
      m_update_notice = true;
      // A link shows the hand over it, once the label has a window to show it in.
      m_label5_box.signal_realize().connect(
          [this] { m_label5_box.get_window()->set_cursor(Gdk::Cursor::create(get_display(), "pointer")); });
    });
  } else {
    proc.step([&] { m_label5_box.set_sensitive(false); });
  }
}

bool Form1::on_label5_button_press_event(GdkEventButton* event) {
  if (event->button != GDK_BUTTON_PRIMARY || !m_update_notice) return false;
  m_label5_pressed = event->type == GDK_BUTTON_PRESS;
  return true;
}

// A click, as on a button: pressed and released over the link. The press grabs the
// pointer, so the release comes here wherever it happens, in the box's coordinates.
bool Form1::on_label5_button_release_event(GdkEventButton* event) {
  if (event->button != GDK_BUTTON_PRIMARY || !m_update_notice || !m_label5_pressed) return false;
  m_label5_pressed = false;
  const Gtk::Allocation area = m_label5_box.get_allocation();
  if (event->x < 0 || event->y < 0 || event->x >= area.get_width() || event->y >= area.get_height()) return true;
  // A failure opening the home page is reported, and the program goes on.
  run_event(&Form1::Label5_Click, Unhandled::Continue);
  return true;
}

void Form1::Command1_Click() { launcher::BrowserLauncher(launcher::launch_profile("Command1"), m_registry); }
void Form1::Command2_Click() { launcher::BrowserLauncher(launcher::launch_profile("Command2"), m_registry); }
void Form1::Command4_Click() { launcher::BrowserLauncher(launcher::launch_profile("Command4"), m_registry); }
void Form1::Command5_Click() { launcher::BrowserLauncher(launcher::launch_profile("Command5"), m_registry); }
void Form1::Label5_Click() { launcher::BrowserLauncher(launcher::launch_profile("Label5"), m_registry); }
void Form1::Command3_Click() { end_program(0); }

void Form1::run_event(void (Form1::*procedure)(), Unhandled after) {
  try {
    (this->*procedure)();
  } catch (...) {
    ReportUnhandledError(this, automation::as_automation_error(std::current_exception()));
    if (after == Unhandled::EndProgram) end_program(1);
  }
}

void Form1::end_program(int status) {
  m_exit_status = status;
  hide();  // the application ends with its last window
}

}  // namespace veltrano::app
