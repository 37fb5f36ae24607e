// What the service's pages ask of their window through the compatibility scripts'
// channel (see channel_request): a message in the status bar, the desktop's clipboard (only
// right after a click or a key in the window, as the shell's own clock tells), the
// features of the window they are about to open, the window's own place, size and
// closing, and a wait for a dialog.
#pragma once

#include <glibmm/ustring.h>
#include <webkit2/webkit2.h>

#include <functional>
#include <optional>
#include <string>

#include "page_channel.h"
#include "user_gestures.h"

namespace veltrano::browser {

class PageRequests {
 public:
  using ShowStatus = std::function<void(const Glib::ustring& text)>;
  using ActOnWindow = std::function<void(WindowAsk ask, int x, int y)>;

  // The clipboard is the page's only right after an input in its window (gesture).
  PageRequests(std::string secret, const UserGestures& gestures, ShowStatus show_status, ActOnWindow act_on_window)
      : m_secret(std::move(secret)),
        m_gestures(gestures),
        m_show_status(std::move(show_status)),
        m_act_on_window(std::move(act_on_window)) {}

  // True when the prompt dialog was a request of the channel, answered if it came from a
  // page of the service at page_uri; false for a prompt meant for the user.
  bool handle(WebKitScriptDialog* dialog, const std::string& page_uri);
  // The features the page asked for the window it is opening now to uri; once. Full screen
  // hides where a page comes from: only the service's own pages have it.
  std::optional<WindowFeatures> take_opening_features(std::string_view uri);

 private:
  std::optional<std::string> answer(const std::string& request, const std::string& payload);

  std::string m_secret;
  const UserGestures& m_gestures;
  ShowStatus m_show_status;
  ActOnWindow m_act_on_window;
  std::optional<WindowFeatures> m_opening_features;
};

}  // namespace veltrano::browser
