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
  m_exit_timer.disconnect();
  m_prepare_timer.disconnect();
  m_service.reset();
  m_windows.clear();
  if (m_bus_owner) g_bus_unown_name(m_bus_owner);
}

void ShellApp::on_startup() {
  Gtk::Application::on_startup();
  use_simplified_chinese_text();  // menus, bars and dialogs, whatever the locale
  hold();                         // lives by its windows and instances, not by GApplication's count
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
  m_bus_owner = g_bus_own_name(G_BUS_TYPE_SESSION, interface::kBusName, G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE,
                               &ShellApp::on_bus_acquired, nullptr, &ShellApp::on_name_lost, this, nullptr);
  update_idle_exit();
}

void ShellApp::on_activate() {}

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
  m_refusal->signal_response().connect([this](int) { end(); });
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

void ShellApp::on_name_lost(GDBusConnection*, const gchar* name, gpointer self) {
  auto* app = static_cast<ShellApp*>(self);
  if (app->m_windows.empty()) {
    std::cerr << "veltrano-browser: " << name << " is served already, or there is no session bus\n";
    app->quit();
  }
}

unsigned ShellApp::open_window(WebKitWebView* related) {
  if (!related && m_prepared_window) return std::exchange(m_prepared_window, 0);
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
  add_window(*window);
  m_windows.emplace(id, std::move(window));
  update_idle_exit();
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
  remove_window(*window);
  window.reset();
  update_idle_exit();
}

void ShellApp::update_idle_exit() {
  const std::size_t open = m_windows.size() - (m_prepared_window ? 1 : 0);
  const bool busy = open > 0 || (m_service && m_service->holds_shell()) || m_refusal;
  if (busy) {
    m_exit_timer.disconnect();
  } else if (!m_exit_timer.connected()) {
    m_exit_timer = Glib::signal_timeout().connect_seconds(
        [this] {
          end();
          return false;
        },
        kIdleExitSeconds);
  }
}

void ShellApp::end() {
  if (m_bus_owner) g_bus_unown_name(m_bus_owner);  // waits for the bus to take it back
  m_bus_owner = 0;
  quit();
}

void ShellApp::prepare_window() {
  m_prepare_timer.disconnect();
  if (m_prepared_window || !m_context) return;
  const unsigned id = open_window(nullptr);
  window(id)->load_blank();  // its own web process, started now rather than at the click
  gtk_widget_realize(GTK_WIDGET(window(id)->gobj()));
  m_prepared_window = id;
  update_idle_exit();
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
