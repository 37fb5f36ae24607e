// Printing a window's page: the user's Ctrl+P or menu command, and a page's window.print().
// The print dialog is modal to its own window only (each browser window is a window group of
// its own) and never runs a main loop of its own, so the other windows go on as before. A
// page may print only right after an input in its window, with one dialog at a time, and not
// again right after the user cancelled one: a page that asks in a loop is refused, and the
// status bar says so.
#pragma once

#include <gtkmm/printunixdialog.h>
#include <gtkmm/window.h>
#include <webkit2/webkit2.h>

#include <cstdint>
#include <functional>
#include <string>

#include "support/glib_ptr.h"

namespace veltrano::browser {

class UserGestures;

class Printing {
 public:
  using ShowStatus = std::function<void(const std::string& text)>;

  Printing(Gtk::Window& window, WebKitWebView* view, UserGestures& gestures, ShowStatus show_status);
  ~Printing();
  Printing(const Printing&) = delete;
  Printing& operator=(const Printing&) = delete;

  // The user asked (Ctrl+P, the menu).
  void print_page();
  // The page asked with window.print(); WebKit made the operation for the frame that asked.
  void page_asks(WebKitPrintOperation* operation);

 private:
  void open_dialog(WebKitPrintOperation* operation);
  void on_dialog_response(int response);
  void put_dialog_away();

  Gtk::Window& m_window;
  WebKitWebView* m_view;
  UserGestures& m_gestures;
  ShowStatus m_show_status;
  GObjectPtr<WebKitPrintOperation> m_operation;  // the one the open dialog is for
  Gtk::PrintUnixDialog* m_dialog = nullptr;      // the open one (see printing.cpp for its end)
  sigc::connection m_response;
  std::int64_t m_cancelled_at = 0;  // g_get_monotonic_time() of the user's last cancel
};

}  // namespace veltrano::browser
