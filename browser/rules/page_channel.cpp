#include "page_channel.h"

#include <algorithm>
#include <charconv>

namespace veltrano::browser {

std::optional<std::string> channel_request(std::string_view message, std::string_view secret) {
  static constexpr std::string_view kMark = "\x01veltrano:";
  if (!message.starts_with(kMark)) return std::nullopt;
  message.remove_prefix(kMark.size());
  if (secret.empty() || !message.starts_with(secret) || message.size() <= secret.size() ||
      message[secret.size()] != ':')
    return std::string();
  return std::string(message.substr(secret.size() + 1));
}

std::optional<WindowRequest> window_request(std::string_view request, std::string_view payload) {
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
  if (known == std::end(kAsks)) return std::nullopt;
  if (!known->numbers) return WindowRequest{known->ask};
  int x = 0, y = 0;
  const char* const end = payload.data() + payload.size();
  const auto [comma, first] = std::from_chars(payload.data(), end, x);
  if (first != std::errc() || comma == end || *comma != ',') return WindowRequest{known->ask, 0, 0, false};
  const auto [last, second] = std::from_chars(comma + 1, end, y);
  if (second != std::errc() || last != end) return WindowRequest{known->ask, 0, 0, false};
  return WindowRequest{known->ask, x, y};
}

WindowFeatures dialog_request_features(std::string_view payload) {
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
