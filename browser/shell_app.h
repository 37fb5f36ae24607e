// The browser shell: one process per user session. It owns the well-known bus name, the
// web engine's data directories, and every window it opens. It runs while something holds
// it (GApplication's use count): each window given out (GtkApplication holds for each of its
// windows), each client's instance and each client that said it will ask for one; it ends
// kIdleExitSeconds after the last of them has gone.
#pragma once

#include <gtkmm/application.h>
#include <gtkmm/messagedialog.h>
#include <webkit2/webkit2.h>

#include <map>
#include <memory>
#include <optional>

#include "application_hold.h"
#include "automation_service.h"
#include "browser_window.h"
#include "web_context.h"

namespace veltrano::browser {

class ShellApp : public Gtk::Application {
 public:
  static constexpr unsigned kIdleExitSeconds = 5;
  static constexpr unsigned kPrepareDelayMs = 300;

  static Glib::RefPtr<ShellApp> create();
  ~ShellApp() override;

  // A new, hidden window. A page's window (related given) shares its opener's web process,
  // as browsers do; any other has a web process of its own, so that a page that hangs or
  // crashes takes down only its window and the windows it opened. Without related, the
  // window prepared ahead is it, if any.
  unsigned open_window(WebKitWebView* related);
  BrowserWindow* window(unsigned id) const;
  void close_window(unsigned id);
  // Gets the next window ready now, web process and all: a hidden window on a blank page,
  // kept for whoever asks for a window next.
  void prepare_window();
  // The same, once the window just asked for has had its start.
  void prepare_window_soon();
  // Why no window can open (the web-process sandbox cannot start); empty when they can.
  const std::string& unavailable() const noexcept { return m_unavailable; }

 protected:
  ShellApp();
  void on_startup() override;
  void on_activate() override;

 private:
  void on_shutdown();
  static void on_bus_acquired(GDBusConnection* connection, const gchar* name, gpointer self);
  static void on_name_acquired(GDBusConnection* connection, const gchar* name, gpointer self);
  static void on_name_lost(GDBusConnection* connection, const gchar* name, gpointer self);
  // A window of its own, hidden and held by nobody; related as open_window says.
  unsigned make_window(WebKitWebView* related);
  // The name goes before the process: a call made from then on starts a new shell.
  void give_up_name();
  // Tells the user why pages cannot be shown, and ends when the message is closed.
  void refuse_to_run(const std::string& problem);

  guint m_bus_owner = 0;
  std::optional<ApplicationHold> m_starting;  // until the name is ours: no client could have come yet
  std::unique_ptr<WebContext> m_context;      // none when the shell cannot show pages
  std::string m_unavailable;
  std::unique_ptr<Gtk::MessageDialog> m_refusal;
  std::unique_ptr<AutomationService> m_service;
  unsigned m_prepared_window = 0;  // among m_windows, but open for nobody yet
  std::map<unsigned, std::unique_ptr<BrowserWindow>> m_windows;
  unsigned m_next_window = 1;
  sigc::connection m_prepare_timer;
};

}  // namespace veltrano::browser
