// The web engine's state shared by every window of the shell: one persistent website-data
// store (so a log-in holds across windows and runs), one set of settings, the scripts that
// give the service's pages the old browser's ways, the downloads.
#pragma once

#include <webkit2/webkit2.h>

#include <functional>
#include <string>

#include "support/glib_ptr.h"

namespace veltrano::browser {

class WebContext {
 public:
  // Tells the window showing view how a download goes (progress, the finished path).
  using DownloadReporter = std::function<void(WebKitWebView* view, const std::string& message)>;

  explicit WebContext(DownloadReporter report);
  ~WebContext();
  WebContext(const WebContext&) = delete;
  WebContext& operator=(const WebContext&) = delete;

  // A new web view. Related to related_view when given, so that the two share a web
  // process (and a page's window.open can get its new window).
  WebKitWebView* new_view(WebKitWebView* related_view) const;

  // The secret the compatibility scripts put before each request to the shell (see
  // BrowserWindow::on_view_script_dialog): pages that did not get the scripts do not know it.
  const std::string& channel() const noexcept { return m_channel; }

 private:
  static void on_download_started(WebKitWebContext* context, WebKitDownload* download, WebContext* self);
  void add_compatibility_scripts();

  GObjectPtr<WebKitWebContext> m_context;
  GObjectPtr<WebKitSettings> m_settings;
  GObjectPtr<WebKitUserContentManager> m_content;
  std::string m_channel;
  DownloadReporter m_report;
};

}  // namespace veltrano::browser
