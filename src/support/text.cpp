#include "support/text.h"

#include <algorithm>

namespace veltrano::support {

std::string_view trimmed(std::string_view text, std::span<const std::string_view> blanks) {
  const auto blank_at = [&](bool front) {
    return std::find_if(blanks.begin(), blanks.end(), [&](std::string_view blank) {
      return !blank.empty() && (front ? text.starts_with(blank) : text.ends_with(blank));
    });
  };
  for (auto blank = blank_at(true); blank != blanks.end(); blank = blank_at(true)) text.remove_prefix(blank->size());
  for (auto blank = blank_at(false); blank != blanks.end(); blank = blank_at(false)) text.remove_suffix(blank->size());
  return text;
}

std::string shortened(std::string_view text, std::size_t max_bytes) {
  if (text.size() <= max_bytes) return std::string(text);
  std::size_t end = max_bytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;  // inside a character
  return std::string(text.substr(0, end)) + "…";
}

}  // namespace veltrano::support
