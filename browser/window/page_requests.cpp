#include "page_requests.h"

#include <gtkmm/clipboard.h>

#include "addresses.h"

namespace veltrano::browser {

bool PageRequests::handle(WebKitScriptDialog* dialog, const std::string& page_uri) {
  if (webkit_script_dialog_get_dialog_type(dialog) != WEBKIT_SCRIPT_DIALOG_PROMPT) return false;
  const std::optional<std::string> request = channel_request(webkit_script_dialog_get_message(dialog), m_secret);
  if (!request) return false;
  // Pages elsewhere, and frames of other hosts, do not know the secret: no answer.
  if (request->empty() || !service_page(page_uri)) return true;
  const char* payload = webkit_script_dialog_prompt_get_default_text(dialog);
  if (const std::optional<std::string> reply = answer(*request, payload ? payload : ""))
    webkit_script_dialog_prompt_set_text(dialog, reply->c_str());
  return true;
}

std::optional<WindowFeatures> PageRequests::take_opening_features(std::string_view uri) {
  std::optional<WindowFeatures> features = std::exchange(m_opening_features, {});
  if (features && !service_page(uri)) features->full_screen = false;
  return features;
}

std::optional<std::string> PageRequests::answer(const std::string& request, const std::string& payload) {
  if (const std::optional<WindowRequest> window = window_request(request, payload)) {
    if (window->acted) m_act_on_window(window->ask, window->x, window->y);
    return "";
  }
  if (request == "status") {
    m_show_status(payload);
    return "";
  }
  if (request == "window-features") {
    m_opening_features = parse_window_features(payload);
    return "";
  }
  if (request == "dialog-features") {
    m_opening_features = dialog_request_features(payload);
    return "";
  }
  if (request == "window-opened") {
    m_opening_features.reset();
    return "";
  }
  if (!request.starts_with("clipboard-")) return std::nullopt;
  if (!m_gestures.active()) {
    m_show_status("已阻止网页使用剪贴板：只能在您点击之后使用");
    return std::nullopt;  // the page's script sees null: refused
  }
  const Glib::RefPtr<Gtk::Clipboard> clipboard = Gtk::Clipboard::get();
  if (request == "clipboard-set") {
    clipboard->set_text(payload);
    return "";
  }
  if (request == "clipboard-get") return clipboard->wait_is_text_available() ? clipboard->wait_for_text() : "";
  return std::nullopt;
}

}  // namespace veltrano::browser
