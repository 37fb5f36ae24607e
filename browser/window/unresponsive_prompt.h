// The browsers' prompt for a page that stopped answering, in the page's own window: wait for
// it, or close the window, which ends the page's web process (and with it only the windows
// that page opened). WebKit notices a hung web process only when it sends it input, so the
// prompt asks for itself: every second, a script of its own world (which no page sees) that
// does nothing; a page that has not let it run for kHungSeconds is hung.
#pragma once

#include <gtkmm/infobar.h>
#include <gtkmm/label.h>
#include <webkit2/webkit2.h>

#include <cstdint>
#include <functional>

#include "support/glib_ptr.h"

namespace veltrano::browser {

class UnresponsivePrompt : public Gtk::InfoBar {
 public:
  using Close = std::function<void()>;

  static constexpr std::int64_t kHungSeconds = 5;

  // Watches view, which outlives this; close closes the window.
  UnresponsivePrompt(WebKitWebView* view, Close close);
  ~UnresponsivePrompt() override;

  // Whether the page has not answered for kHungSeconds.
  bool hung() const;

 private:
  static void on_answer(GObject* view, GAsyncResult* result, gpointer self);
  bool on_tick();
  void on_response(int response) override;

  WebKitWebView* m_view;
  Gtk::Label m_message;
  Close m_close;
  GObjectPtr<GCancellable> m_cancellable{g_cancellable_new()};
  std::int64_t m_asked = 0;       // g_get_monotonic_time() of the question unanswered; 0: none
  std::int64_t m_wait_until = 0;  // the user said to wait: no prompt before then
  sigc::connection m_ticks;
};

}  // namespace veltrano::browser
