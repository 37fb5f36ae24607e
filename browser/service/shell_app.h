// The browser shell: one process per user session. It owns the well-known bus name, the
// web engine's data directories, and every window it opens. It runs while something holds
// it (GApplication's use count): each window given out (GtkApplication holds for each of its
// windows), each client's instance and each client that said it will ask for one; it ends
// kIdleExitSeconds after the last of them has gone.
#pragma once

#include <gtkmm/application.h>
#include <gtkmm/messagedialog.h>
#include <webkit2/webkit2.h>

#include <memory>
#include <optional>

#include "application_hold.h"
#include "automation_service.h"
#include "shell_windows.h"

namespace veltrano::browser {

class ShellApp : public Gtk::Application {
 public:
  static constexpr unsigned kIdleExitSeconds = 5;

  static Glib::RefPtr<ShellApp> create();
  ~ShellApp() override;

 protected:
  ShellApp();
  void on_startup() override;
  void on_activate() override;

 private:
  void on_shutdown();
  static void on_bus_acquired(GDBusConnection* connection, const gchar* name, gpointer self);
  static void on_name_acquired(GDBusConnection* connection, const gchar* name, gpointer self);
  static void on_name_lost(GDBusConnection* connection, const gchar* name, gpointer self);
  // The web engine's shared state; none when the shell cannot show pages, and then why.
  std::unique_ptr<WebContext> make_context(std::string& unavailable);
  // The name goes before the process: a call made from then on starts a new shell.
  void give_up_name();
  // Tells the user why pages cannot be shown, and ends when the message is closed.
  void refuse_to_run(const std::string& problem);

  guint m_bus_owner = 0;
  std::optional<ApplicationHold> m_starting;  // until the name is ours: no client could have come yet
  std::unique_ptr<Gtk::MessageDialog> m_refusal;
  std::unique_ptr<ShellWindows> m_windows;
  std::unique_ptr<AutomationService> m_service;  // uses m_windows
};

}  // namespace veltrano::browser
