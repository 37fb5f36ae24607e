#include "user_gestures.h"

#include <algorithm>
#include <utility>

#include "addresses.h"
#include "support/text.h"

namespace veltrano::browser {
namespace {

constexpr char kDownloadRefused[] = "已阻止下载：网页只能在您点击之后下载文件，每次点击一个";
constexpr std::size_t kPendingDownloads = 16;  // responses on their way to the downloads at once

}  // namespace

UserGestures::UserGestures(GtkWidget* view, ShowStatus show_status)
    : m_view(view), m_show_status(std::move(show_status)) {
  // Before the view's own handlers, which may stop the event from going further.
  g_signal_connect(view, "button-press-event", G_CALLBACK(&UserGestures::on_view_button_press_event), this);
  g_signal_connect(view, "key-press-event", G_CALLBACK(&UserGestures::on_view_key_press_event), this);
}

UserGestures::~UserGestures() { g_signal_handlers_disconnect_by_data(m_view, this); }

// An event another program sent to the window (XSendEvent) is no input of the user's.
gboolean UserGestures::on_view_button_press_event(GtkWidget*, GdkEventButton* event, UserGestures* self) {
  if (!event->send_event && event->type == GDK_BUTTON_PRESS) self->m_last_input = g_get_monotonic_time();
  return FALSE;
}

// Modifiers alone and Escape do not count, as in other browsers.
gboolean UserGestures::on_view_key_press_event(GtkWidget*, GdkEventKey* event, UserGestures* self) {
  if (!event->send_event && !event->is_modifier && event->keyval != GDK_KEY_Escape)
    self->m_last_input = g_get_monotonic_time();
  return FALSE;
}

bool UserGestures::active() const {
  return m_last_input != 0 && g_get_monotonic_time() - m_last_input <= kWindowMicroseconds;
}

bool UserGestures::take() { return active() && std::exchange(m_last_input, 0) != 0; }

bool UserGestures::allow_window(const char* uri) {
  if (!popup_target(uri ? uri : "")) {
    m_show_status("已阻止打开新窗口：只能打开网页地址（http 或 https），不能打开“" + support::shortened(uri, 200) +
                  "”");
    return false;
  }
  if (has_user_info(uri ? uri : "")) {
    m_show_status(kUserInfoRefused);
    return false;
  }
  if (!take()) {
    m_show_status("已阻止弹出窗口：网页只能在您点击之后打开新窗口，每次点击一个");
    return false;
  }
  return true;
}

// A load the page started counts as the input's one deed, as a window or a download would.
void UserGestures::load_started() { m_load_is_users = std::exchange(m_asked_for_load, false) || take(); }

// The page itself may be a file when its load was the user's; a frame's file only right
// after an input.
void UserGestures::decide_download(WebKitResponsePolicyDecision* decision) {
  const bool users = webkit_response_policy_decision_is_main_frame_main_resource(decision)
                         ? std::exchange(m_load_is_users, false)
                         : take();
  if (!users) {
    m_show_status(kDownloadRefused);
    webkit_policy_decision_ignore(WEBKIT_POLICY_DECISION(decision));
    return;
  }
  if (m_approved_downloads.size() == kPendingDownloads) m_approved_downloads.erase(m_approved_downloads.begin());
  m_approved_downloads.push_back(webkit_uri_request_get_uri(webkit_response_policy_decision_get_request(decision)));
  webkit_policy_decision_download(WEBKIT_POLICY_DECISION(decision));
}

// A download comes from a response let through above, or from a link with the download
// attribute, which WebKit hands over at the click.
bool UserGestures::allow_download(WebKitDownload* download) {
  const char* uri = webkit_uri_request_get_uri(webkit_download_get_request(download));
  const auto approved = std::find(m_approved_downloads.begin(), m_approved_downloads.end(), uri ? uri : "");
  if (approved != m_approved_downloads.end()) {
    m_approved_downloads.erase(approved);
    return true;
  }
  if (take()) return true;
  m_show_status(kDownloadRefused);
  return false;
}

}  // namespace veltrano::browser
