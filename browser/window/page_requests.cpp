#include "page_requests.h"

#include <gtkmm/clipboard.h>

#include <algorithm>
#include <charconv>

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
  if (act_on_window(request, payload)) return "";
  if (request == "status") {
    m_show_status(payload);
    return "";
  }
  if (request == "window-features") {
    m_opening_features = parse_window_features(payload);
    return "";
  }
  if (request == "dialog-features") {
    m_opening_features = dialog_features(payload);
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

// "move-to" with "x,y" and the like. Two whole numbers or nothing: anything else is dropped.
bool PageRequests::act_on_window(const std::string& request, const std::string& payload) {
  static constexpr struct {
    std::string_view name;
    WindowAsk ask;
    bool numbers;
  } kAsks[] = {{"move-to", WindowAsk::MoveTo, true},
               {"move-by", WindowAsk::MoveBy, true},
               {"resize-to", WindowAsk::ResizeTo, true},
               {"resize-by", WindowAsk::ResizeBy, true},
               {"close", WindowAsk::Close, false},
               {"dialog-wait", WindowAsk::DialogWait, false},
               {"dialog-waited", WindowAsk::DialogWaited, false}};
  const auto known = std::find_if(std::begin(kAsks), std::end(kAsks), [&](const auto& a) { return a.name == request; });
  if (known == std::end(kAsks)) return false;
  if (!known->numbers) {
    m_act_on_window(known->ask, 0, 0);
    return true;
  }
  int x = 0, y = 0;
  const char* const end = payload.data() + payload.size();
  const auto [comma, first] = std::from_chars(payload.data(), end, x);
  if (first != std::errc() || comma == end || *comma != ',') return true;
  const auto [last, second] = std::from_chars(comma + 1, end, y);
  if (second != std::errc() || last != end) return true;
  m_act_on_window(known->ask, x, y);
  return true;
}

// "1024,768;dialogWidth:300px": the screen the page sees, to centre the dialog on, and the
// dialog's features.
WindowFeatures PageRequests::dialog_features(std::string_view payload) {
  int screen[2] = {0, 0};
  const char* at = payload.data();
  const char* const end = at + payload.size();
  for (int& extent : screen) {
    const auto [next, error] = std::from_chars(at, end, extent);
    at = error == std::errc() && next != end ? next + 1 : end;
  }
  return parse_dialog_features(std::string_view(at, static_cast<std::size_t>(end - at)), screen[0], screen[1]);
}

}  // namespace veltrano::browser
