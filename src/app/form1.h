// The program's one window: five buttons, six labels and the logo on a fixed layout.
#pragma once

#include <gtkmm/eventbox.h>
#include <gtkmm/fixed.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "automation/error.h"
#include "automation/registry.h"
#include "platform/shell_warmup.h"

namespace veltrano::app {

// A fixed layout whose Tab order is the designed one, not the on-screen one.
class ControlPanel : public Gtk::Fixed {
 public:
  void append_tab_stop(Gtk::Widget& widget) { m_tab_order.push_back(&widget); }

 protected:
  bool on_focus(Gtk::DirectionType direction) override;

 private:
  std::vector<Gtk::Widget*> m_tab_order;
};

class Form1 : public Gtk::Window {
 public:
  explicit Form1(const automation::Registry& registry);

  // Loads the window on first use (Form_Load, network check included), then shows it.
  void Show();
  // The status the process ends with: non-zero after an unhandled failure.
  int exit_status() const noexcept { return m_exit_status; }

  // Event procedures, one per handled control event.
  void Form_Load();
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command4_Click();
  void Command5_Click();
  void Label5_Click();

 private:
  enum class Unhandled { EndProgram, Continue };
  // Where an event procedure's untrapped failure ends up: the report, and then the end.
  void run_event(void (Form1::*procedure)(), Unhandled after);
  void end_program(int status);
  void build_controls();
  bool on_label5_button_press_event(GdkEventButton* event);
  bool on_label5_button_release_event(GdkEventButton* event);
  bool on_first_draw(const Cairo::RefPtr<Cairo::Context>& cr);
  void warm_up_browser();

  const automation::Registry& m_registry;
  ControlPanel m_panel;
  std::vector<std::unique_ptr<Gtk::Widget>> m_controls;
  Gtk::EventBox m_label5_box;  // makes Label5 clickable
  Gtk::Label* m_label5 = nullptr;
  bool m_loaded = false;
  bool m_update_notice = false;
  bool m_label5_pressed = false;  // the primary button went down over the link
  int m_exit_status = 0;
  sigc::connection m_first_draw;
  std::optional<platform::ShellWarmup> m_shell_warmup;  // from the first frame on
};

}  // namespace veltrano::app
