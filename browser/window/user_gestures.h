// What a page may do only because the user did something in its window: use the clipboard,
// open a window, save a file. The shell keeps the time of the user's last button press or
// key in the web view, as GTK delivered it; nothing a page runs can set it. A page may act
// for a short while after it, and open one window per input. A download is the user's when
// it comes right after an input, or is the page the user (or the client) asked for.
#pragma once

#include <webkit2/webkit2.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace veltrano::browser {

class UserGestures {
 public:
  using ShowStatus = std::function<void(const std::string& text)>;

  // How long after an input a page may still act on it.
  static constexpr std::int64_t kWindowMicroseconds = 2'000'000;

  // Starts watching view's input; view outlives this. show_status tells why a page was refused.
  UserGestures(GtkWidget* view, ShowStatus show_status);
  ~UserGestures();
  UserGestures(const UserGestures&) = delete;
  UserGestures& operator=(const UserGestures&) = delete;

  // Whether an input came in the last while: the clipboard is the page's.
  bool active() const;
  // Whether an input came in the last while, used up if so: what it allowed happens once.
  bool take();
  // Whether the page may open a window to uri now; the input is used up if so.
  bool allow_window(const char* uri);

  // The next load is one the user or a client asked for (an address, home, reload).
  void asked_for_load() { m_asked_for_load = true; }
  // The view's main frame starts a load: the user's if asked for, or right after an input.
  void load_started();
  // A response the view does not show: handed to the downloads if the user started it,
  // else ignored.
  void decide_download(WebKitResponsePolicyDecision* decision);
  // Whether a download the view starts may go on.
  bool allow_download(WebKitDownload* download);

 private:
  static gboolean on_view_button_press_event(GtkWidget* view, GdkEventButton* event, UserGestures* self);
  static gboolean on_view_key_press_event(GtkWidget* view, GdkEventKey* event, UserGestures* self);

  GtkWidget* m_view;
  ShowStatus m_show_status;
  std::int64_t m_last_input = 0;  // g_get_monotonic_time() of the last input; 0: none to use
  bool m_asked_for_load = false;
  bool m_load_is_users = false;
  std::vector<std::string> m_approved_downloads;  // addresses of responses let through
};

}  // namespace veltrano::browser
