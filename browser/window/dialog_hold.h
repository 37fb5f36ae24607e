// The shell's half of showModalDialog; the web process's is web_extension/modal_wait.cpp.
// While a page's script waits in the call, its dialog stays in front of the opener and the
// opener's view takes no input (the other windows stay as they are); the view is given
// back as the dialog goes. A page cannot go while its script is paused inside that wait,
// so an opener closed meanwhile is hidden, closes its dialog, and goes itself once its
// script has gone on (or its web process has ended).
#pragma once

#include <gtkmm/window.h>
#include <webkit2/webkit2.h>

#include <functional>

namespace veltrano::browser {

class DialogHold {
 public:
  // close_opener closes the opener for good, once nothing holds it.
  DialogHold(Gtk::Window& opener, WebKitWebView* opener_view, std::function<void()> close_opener);
  ~DialogHold();
  DialogHold(const DialogHold&) = delete;
  DialogHold& operator=(const DialogHold&) = delete;

  // The window the page opened last: its dialog, when the page next says it waits.
  void opened(WebKitWebView* view);
  // The page's script waits for that dialog, or has gone on.
  void begin();
  void end();
  // Whether the opener may close now; if not, it closes once the script has gone on.
  bool may_close();
  // The opener's web process has ended: no script waits any more.
  void lost();

 private:
  enum class State { Idle, Waiting, WaitingToClose };

  void hold(WebKitWebView* dialog);
  void release();
  static void on_dialog_destroy(GtkWidget* view, DialogHold* self);

  Gtk::Window& m_opener;
  WebKitWebView* m_opener_view;
  std::function<void()> m_close_opener;
  State m_state = State::Idle;
  GWeakRef m_last_opened;
  WebKitWebView* m_dialog = nullptr;  // while held: destroy tells us it goes
};

}  // namespace veltrano::browser
