#include "shell_app.h"

#include <glibmm/main.h>

#include <iostream>
#include <utility>

#include "interface/browser_interface.h"
#include "private_data.h"
#include "sandbox.h"
#include "support/chinese_text.h"

namespace veltrano::browser {

Glib::RefPtr<ShellApp> ShellApp::create() { return Glib::RefPtr<ShellApp>(new ShellApp()); }

// No application id: the shell's presence on the bus is its own name, owned below.
ShellApp::ShellApp() : Gtk::Application(Glib::ustring(), Gio::APPLICATION_NON_UNIQUE) {}

ShellApp::~ShellApp() {
  m_prepare_timer.disconnect();
  m_service.reset();
  m_windows.clear();
  give_up_name();
}

void ShellApp::on_startup() {
  Gtk::Application::on_startup();
  use_simplified_chinese_text();  // menus, bars and dialogs, whatever the locale
  set_inactivity_timeout(kIdleExitSeconds * 1000);
  m_starting.emplace(*this);
  signal_shutdown().connect(sigc::mem_fun(*this, &ShellApp::on_shutdown));
  WindowControls::install_accelerators(*this);
  const SandboxCheck sandbox = check_sandbox();
  if (sandbox.problem)
    refuse_to_run(*sandbox.problem);
  else
    m_context = std::make_unique<WebContext>(
        sandbox.mode,
        [](WebKitWebView* view, const std::string& message) {
          if (BrowserWindow* window = BrowserWindow::from_view(view)) window->show_status(message);
        },
        [](WebKitWebView* view, WebKitDownload* download) {
          BrowserWindow* window = BrowserWindow::from_view(view);
          return window && window->allow_download(download);
        });
  m_bus_owner =
      g_bus_own_name(G_BUS_TYPE_SESSION, interface::kBusName, G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE,
                     &ShellApp::on_bus_acquired, &ShellApp::on_name_acquired, &ShellApp::on_name_lost, this, nullptr);
}

void ShellApp::on_activate() {}

// The main loop has ended (nothing held the shell for kIdleExitSeconds, or it was told to
// quit) and no call is taken any more.
void ShellApp::on_shutdown() { give_up_name(); }

void ShellApp::refuse_to_run(const std::string& problem) {
  m_unavailable = "浏览器无法在安全沙箱中运行：" + problem;
  std::cerr << "veltrano-browser: " << m_unavailable << '\n';
  m_refusal =
      std::make_unique<Gtk::MessageDialog>("浏览器无法在安全沙箱中运行", false, Gtk::MESSAGE_ERROR, Gtk::BUTTONS_NONE);
  m_refusal->add_button("关闭", Gtk::RESPONSE_CLOSE);
  m_refusal->set_title("电子走势图");
  m_refusal->set_secondary_text(problem +
                                "\n\n为了您的安全，浏览器不会在没有沙箱的情况下打开网页。如果确实需要，可以在设置"
                                "环境变量 WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS=1 之后重新启动（不安全）。");
  m_refusal->signal_response().connect([this](int) { quit(); });
  add_window(*m_refusal);
  m_refusal->present();
}

// The interface is exported before the name is ours, so no client can find the name
// without the interface behind it.
void ShellApp::on_bus_acquired(GDBusConnection* connection, const gchar*, gpointer self) {
  auto* app = static_cast<ShellApp*>(self);
  try {
    app->m_service = std::make_unique<AutomationService>(connection, *app);
  } catch (const std::exception& e) {
    std::cerr << "veltrano-browser: " << e.what() << '\n';
    app->quit();
  }
}

void ShellApp::on_name_acquired(GDBusConnection*, const gchar*, gpointer self) {
  static_cast<ShellApp*>(self)->m_starting.reset();
}

void ShellApp::on_name_lost(GDBusConnection*, const gchar* name, gpointer self) {
  auto* app = static_cast<ShellApp*>(self);
  app->m_starting.reset();
  if (app->m_windows.empty()) {
    std::cerr << "veltrano-browser: " << name << " is served already, or there is no session bus\n";
    app->quit();
  }
}

unsigned ShellApp::open_window(WebKitWebView* related) {
  const unsigned id = !related && m_prepared_window ? std::exchange(m_prepared_window, 0) : make_window(related);
  // GtkApplication holds the shell for each of its windows, until the window is destroyed (not
  // as gtkmm's add_window has it, until it is hidden: a client may hide a window and show it).
  gtk_application_add_window(gobj(), window(id)->gobj());
  return id;
}

unsigned ShellApp::make_window(WebKitWebView* related) {
  const unsigned id = m_next_window++;
  auto window = std::make_unique<BrowserWindow>(
      *m_context, related, [this](WebKitWebView* opener) { return this->window(open_window(opener))->web_view(); });
  window->signal_delete_event().connect(
      [this, id](GdkEventAny*) {
        if (!this->window(id)->may_close()) return true;  // it goes once its page's script is past a dialog
        // Destroyed once the event is over, not inside it.
        Glib::signal_idle().connect_once([this, id] { close_window(id); });
        return false;
      },
      false);
  m_windows.emplace(id, std::move(window));
  return id;
}

BrowserWindow* ShellApp::window(unsigned id) const {
  const auto it = m_windows.find(id);
  return it == m_windows.end() ? nullptr : it->second.get();
}

void ShellApp::close_window(unsigned id) {
  const auto it = m_windows.find(id);
  if (it == m_windows.end()) return;
  if (id == m_prepared_window) m_prepared_window = 0;
  std::unique_ptr<BrowserWindow> window = std::move(it->second);
  m_windows.erase(it);
  if (gtk_window_get_application(window->gobj()))  // the prepared one is not there
    gtk_application_remove_window(gobj(), window->gobj());
  window.reset();
}

void ShellApp::give_up_name() {
  if (m_bus_owner) g_bus_unown_name(m_bus_owner);  // waits for the bus to take it back
  m_bus_owner = 0;
}

void ShellApp::prepare_window() {
  m_prepare_timer.disconnect();
  if (m_prepared_window || !m_context) return;
  const unsigned id = make_window(nullptr);
  window(id)->load_blank();  // its own web process, started now rather than at the click
  gtk_widget_realize(GTK_WIDGET(window(id)->gobj()));
  m_prepared_window = id;
}

void ShellApp::prepare_window_soon() {
  if (!m_prepare_timer.connected())
    m_prepare_timer = Glib::signal_timeout().connect(
        [this] {
          prepare_window();
          return false;
        },
        kPrepareDelayMs);
}

}  // namespace veltrano::browser
