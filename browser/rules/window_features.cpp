#include "window_features.h"

#include <glib.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <string>
#include <vector>

#include "support/text.h"

namespace veltrano::browser {
namespace {

std::string trimmed_lower(std::string_view text) {
  std::string out(support::trimmed(text));
  for (char& c : out) c = g_ascii_tolower(c);
  return out;
}

// "yes", "true", "on" or no value at all turn a feature on; a number turns it on unless 0.
bool feature_on(std::string_view value) {
  if (value.empty() || value == "yes" || value == "true" || value == "on") return true;
  int number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  return error == std::errc() && number != 0;
}

// "300", "300px", " 300 ": a whole number of pixels, or nothing.
std::optional<int> feature_pixels(std::string_view value) {
  int number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error != std::errc() || end == value.data()) return std::nullopt;
  const std::string_view rest(end, static_cast<std::size_t>(value.data() + value.size() - end));
  if (!rest.empty() && rest != "px") return std::nullopt;
  return number;
}

// "300px", "-20", "1e3": the whole number a value starts with, as a page's script reads it.
std::optional<int> leading_number(std::string_view value) {
  if (value.starts_with('+')) value.remove_prefix(1);
  int number = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
  if (error != std::errc()) return std::nullopt;
  return number;
}

struct FeatureItem {
  std::string name;
  std::optional<std::string> value;  // nothing: the item has no assigner at all
};

// "a=1, B = yes ,c": the items apart at any of separators, each name from its value at the
// first of assigners; both trimmed and in lower case.
std::vector<FeatureItem> feature_items(std::string_view text, std::string_view separators, std::string_view assigners) {
  std::vector<FeatureItem> items;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find_first_of(separators, start), text.size());
    const std::string_view item = text.substr(start, end - start);
    start = end + 1;
    const std::size_t at = item.find_first_of(assigners);
    items.push_back({trimmed_lower(item.substr(0, at)),
                     at == std::string_view::npos ? std::nullopt : std::optional(trimmed_lower(item.substr(at + 1)))});
  }
  return items;
}

}  // namespace

WindowFeatures parse_window_features(std::string_view features) {
  WindowFeatures result;
  if (trimmed_lower(features).empty()) return result;
  result.menu_bar = result.tool_bar = result.address_bar = result.status_bar = false;
  result.scroll_bars = result.resizable = false;
  struct Switch {
    std::string_view name;
    bool WindowFeatures::*field;
  };
  static constexpr Switch kSwitches[] = {
      {"menubar", &WindowFeatures::menu_bar},       {"toolbar", &WindowFeatures::tool_bar},
      {"location", &WindowFeatures::address_bar},   {"status", &WindowFeatures::status_bar},
      {"scrollbars", &WindowFeatures::scroll_bars}, {"resizable", &WindowFeatures::resizable},
      {"fullscreen", &WindowFeatures::full_screen},
  };
  struct Number {
    std::string_view name;
    std::optional<int> WindowFeatures::*field;
    int least;
  };
  static constexpr Number kNumbers[] = {
      {"left", &WindowFeatures::left, -kMaxCoordinate},
      {"top", &WindowFeatures::top, -kMaxCoordinate},
      {"width", &WindowFeatures::width, kLeastWindowSize},
      {"height", &WindowFeatures::height, kLeastWindowSize},
  };
  for (const FeatureItem& item : feature_items(features, ",", "=")) {
    const std::string value = item.value.value_or("");
    for (const Switch& s : kSwitches)
      if (item.name == s.name) result.*(s.field) = feature_on(value);
    for (const Number& n : kNumbers)
      if (item.name == n.name)
        if (const std::optional<int> pixels = feature_pixels(value))
          result.*(n.field) = std::clamp(*pixels, n.least, kMaxCoordinate);
  }
  return result;
}

WindowFeatures parse_dialog_features(std::string_view features, int screen_width, int screen_height) {
  std::map<std::string, std::string> values;  // the last of each name counts
  for (FeatureItem& item : feature_items(features, ";,", ":="))
    if (!item.name.empty() && item.value) values[item.name] = std::move(*item.value);
  const auto given = [&](const char* name) {
    const auto found = values.find(name);
    return found == values.end() ? std::optional<std::string_view>() : std::optional<std::string_view>(found->second);
  };
  const auto on = [&](const char* name, bool fallback) { return given(name) ? feature_on(*given(name)) : fallback; };
  const auto pixels = [&](const char* name, int fallback) {
    const std::optional<int> number = given(name) ? leading_number(*given(name)) : std::nullopt;
    return number && *number != 0 ? *number : fallback;
  };
  const bool placed = !given("dialogleft").value_or("").empty() || !given("dialogtop").value_or("").empty();
  const bool centred = on("center", true) && !placed;
  const int width = pixels("dialogwidth", 400), height = pixels("dialogheight", 300);
  const int left = centred ? std::max(0, (screen_width - width) / 2) : pixels("dialogleft", 0);
  const int top = centred ? std::max(0, (screen_height - height) / 2) : pixels("dialogtop", 0);
  WindowFeatures result;
  result.menu_bar = result.tool_bar = result.address_bar = false;
  result.status_bar = on("status", false);
  result.resizable = on("resizable", false);
  result.scroll_bars = on("scroll", true);
  result.width = std::clamp(width, kLeastWindowSize, kMaxCoordinate);
  result.height = std::clamp(height, kLeastWindowSize, kMaxCoordinate);
  result.left = std::clamp(left, -kMaxCoordinate, kMaxCoordinate);
  result.top = std::clamp(top, -kMaxCoordinate, kMaxCoordinate);
  return result;
}

}  // namespace veltrano::browser
