// The shell's windows: made, found by id and closed, and the ones made ahead of the next
// client's window. A window given out is one of the application's windows, which holds the
// application while the window exists (GtkApplication holds for each); the prepared ones
// hold nothing until they are given out.
#pragma once

#include <gtkmm/application.h>
#include <webkit2/webkit2.h>

#include <deque>
#include <map>
#include <memory>
#include <string>

#include "browser_window.h"
#include "web_context.h"

namespace veltrano::browser {

class ShellWindows {
 public:
  static constexpr unsigned kPrepareDelayMs = 300;
  static constexpr unsigned kPrepareWaitMs = 3000;  // the longest a busy window defers the next one
  // Two windows are kept ready: a click that comes while the window of the one before is
  // still loading (a full chart keeps its web process busy for seconds) takes the second,
  // whose web process is up and idle, rather than starting one beside the busy one.
  static constexpr std::size_t kPreparedWindows = 2;

  // Windows of app, their pages in context; with no context, no window opens and unavailable
  // says why.
  ShellWindows(Gtk::Application& app, std::unique_ptr<WebContext> context, std::string unavailable);
  ~ShellWindows();
  ShellWindows(const ShellWindows&) = delete;
  ShellWindows& operator=(const ShellWindows&) = delete;

  // A new, hidden window. A page's window (related given) shares its opener's web process,
  // as browsers do; any other has a web process of its own, so that a page that hangs or
  // crashes takes down only its window and the windows it opened. Without related, the
  // oldest window prepared ahead is it, if any.
  unsigned open_window(WebKitWebView* related);
  BrowserWindow* window(unsigned id) const;
  void close_window(unsigned id);
  bool empty() const noexcept { return m_windows.empty(); }
  // Gets the next windows ready, web process and all: hidden windows on a blank page, kept
  // for whoever asks for a window next; one now, the others soon after.
  void prepare_window();
  // The same, once the windows given out are set up and loaded (or after kPrepareWaitMs).
  void prepare_window_soon();
  // Why no window can open (the web-process sandbox cannot start); empty when they can.
  const std::string& unavailable() const noexcept { return m_unavailable; }

 private:
  // A window of its own, hidden and held by nobody; related as open_window says.
  unsigned make_window(WebKitWebView* related);
  // Whether a window given out is still being shown or loading its page.
  bool any_given_out_busy() const;

  Gtk::Application& m_app;
  std::unique_ptr<WebContext> m_context;  // outlives the windows, whose views are its own
  std::string m_unavailable;
  std::deque<unsigned> m_prepared;  // among m_windows, but open for nobody yet; the oldest first
  std::map<unsigned, std::unique_ptr<BrowserWindow>> m_windows;
  unsigned m_next_window = 1;
  sigc::connection m_prepare_timer;
};

}  // namespace veltrano::browser
