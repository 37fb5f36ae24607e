// What a window's view shows and how its loads went: the page asked for, the first one (the
// window's home), the document the main frame holds, the old browser's "ReadyState", the
// error page that stands for a page that could not be shown, and the reload of one that
// failed for want of network.
#pragma once

#include <webkit2/webkit2.h>

#include <string>

#include "reload_when_online.h"
#include "user_gestures.h"

namespace veltrano::browser {

// "ReadyState" as the old browser numbered it: clients poll it for the page's progress.
enum class ReadyState { NothingAsked = 0, Loading = 1, Interactive = 3, Complete = 4 };

class PageLoads {
 public:
  // view and gestures outlive this.
  PageLoads(WebKitWebView* view, UserGestures& gestures);

  // A page the user or a client asked for, the first again, and the page again (itself,
  // where an error page stands for it).
  void navigate(const std::string& url);
  void go_home();
  void reload();
  // The warm-up page of a window made ahead of need (see BrowserWindow::load_blank).
  void load_blank();
  bool started_blank() const noexcept { return m_started_blank; }

  // The page shown or on its way, else the last asked for.
  std::string location() const;
  // The address of the document the main frame holds, never one still loading.
  const std::string& committed() const noexcept { return m_committed; }
  ReadyState ready_state() const noexcept { return m_ready_state; }

  // The view's signals, handed on by the window.
  void changed(WebKitLoadEvent event);
  // Whether the failure is shown (else it was a stop, or a download).
  bool failed(const char* uri, const GError* error);
  void failed_for_certificate(const char* uri);
  void process_ended();
  void uri_changed();

 private:
  void show_error_page(const std::string& heading, const std::string& detail, const std::string& uri);

  WebKitWebView* m_view;
  UserGestures& m_gestures;
  ReloadWhenOnline m_reload_when_online;
  ReadyState m_ready_state = ReadyState::NothingAsked;
  std::string m_home;            // the first page the window was asked for
  std::string m_last_uri;        // the page shown, or asked for, or that failed
  std::string m_committed;       // the page whose document the main frame holds
  bool m_showing_error = false;  // the view shows our error page for m_last_uri
  bool m_started_blank = false;
};

}  // namespace veltrano::browser
