#include "shell_app.h"

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
  m_service.reset();
  m_windows.reset();
  give_up_name();
}

void ShellApp::on_startup() {
  Gtk::Application::on_startup();
  use_chinese_font_language();
  use_simplified_chinese_text();  // menus, bars and dialogs, whatever the locale
  set_inactivity_timeout(kIdleExitSeconds * 1000);
  m_starting.emplace(*this);
  signal_shutdown().connect(sigc::mem_fun(*this, &ShellApp::on_shutdown));
  WindowControls::install_accelerators(*this);
  std::string unavailable;
  std::unique_ptr<WebContext> context = make_context(unavailable);
  m_windows = std::make_unique<ShellWindows>(*this, std::move(context), std::move(unavailable));
  m_bus_owner =
      g_bus_own_name(G_BUS_TYPE_SESSION, interface::kBusName, G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE,
                     &ShellApp::on_bus_acquired, &ShellApp::on_name_acquired, &ShellApp::on_name_lost, this, nullptr);
}

void ShellApp::on_activate() {}

// The main loop has ended (nothing held the shell for kIdleExitSeconds, or it was told to
// quit) and no call is taken any more.
void ShellApp::on_shutdown() { give_up_name(); }

std::unique_ptr<WebContext> ShellApp::make_context(std::string& unavailable) {
  const SandboxCheck sandbox = check_sandbox();
  if (sandbox.problem) {
    unavailable = "浏览器无法在安全沙箱中运行：" + *sandbox.problem;
    std::cerr << "veltrano-browser: " << unavailable << '\n';
    refuse_to_run(*sandbox.problem);
    return nullptr;
  }
  return std::make_unique<WebContext>(
      sandbox.mode,
      [](WebKitWebView* view, const std::string& message) {
        if (BrowserWindow* window = BrowserWindow::from_view(view)) window->show_status(message);
      },
      [](WebKitWebView* view, WebKitDownload* download) {
        BrowserWindow* window = BrowserWindow::from_view(view);
        return window && window->allow_download(download);
      });
}

void ShellApp::refuse_to_run(const std::string& problem) {
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
    app->m_service = std::make_unique<AutomationService>(connection, *app->m_windows, *app);
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
  if (app->m_windows->empty()) {
    std::cerr << "veltrano-browser: " << name << " is served already, or there is no session bus\n";
    app->quit();
  }
}

void ShellApp::give_up_name() {
  if (m_bus_owner) g_bus_unown_name(m_bus_owner);  // waits for the bus to take it back
  m_bus_owner = 0;
}

}  // namespace veltrano::browser
