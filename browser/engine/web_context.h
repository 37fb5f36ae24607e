// The web engine's state shared by every window of the shell: one persistent website-data
// store (so a log-in holds across windows and runs), one set of settings, the scripts that
// give the service's pages the old browser's ways, the downloads.
#pragma once

#include <webkit2/webkit2.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "download.h"
#include "sandbox.h"
#include "support/glib_ptr.h"

namespace veltrano::browser {

class WebContext {
 public:
  using DownloadReporter = Download::Reporter;
  // Whether the window showing view lets a download start now (it says why not, if not).
  using DownloadGate = std::function<bool(WebKitWebView* view, WebKitDownload* download)>;

  // The web processes run in WebKit's sandbox; mode says whether the user turned it off.
  WebContext(SandboxMode mode, DownloadReporter report, DownloadGate gate);
  ~WebContext();
  WebContext(const WebContext&) = delete;
  WebContext& operator=(const WebContext&) = delete;

  // A new web view. Related to related_view when given, so that the two share a web
  // process (and a page's window.open can get its new window).
  WebKitWebView* new_view(WebKitWebView* related_view) const;

  // The secret the compatibility scripts put before each request to the shell (see
  // BrowserWindow::on_view_script_dialog): pages that did not get the scripts do not know it.
  const std::string& channel() const noexcept { return m_channel; }
  SandboxMode sandbox_mode() const noexcept { return m_sandbox_mode; }

 private:
  static void on_download_started(WebKitWebContext* context, WebKitDownload* download, WebContext* self);
  void add_compatibility_scripts();

  GObjectPtr<WebKitWebContext> m_context;
  GObjectPtr<WebKitSettings> m_settings;
  GObjectPtr<WebKitUserContentManager> m_content;
  std::string m_channel;
  SandboxMode m_sandbox_mode;
  DownloadReporter m_report;
  DownloadGate m_gate;
  mode_t m_user_umask;  // downloads are the user's files, made as the user's umask says
  std::map<WebKitDownload*, std::unique_ptr<Download>> m_downloads;  // each until WebKit is done with it
};

}  // namespace veltrano::browser
