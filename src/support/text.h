// Text rules the launcher and the shell share.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace veltrano::support {

// ASCII whitespace, as the web's standards trim a charset label or a window feature.
inline constexpr std::string_view kAsciiBlanks[] = {" ", "\t", "\n", "\f", "\r"};
// What an editor or a server may leave around a short text document: spaces, tabs, line
// ends, the ideographic space and a byte-order mark. A form feed is part of the text.
inline constexpr std::string_view kDocumentBlanks[] = {" ", "\t", "\r", "\n", "\u3000", "\uFEFF"};

// text without any of blanks at either end; blanks inside stay.
std::string_view trimmed(std::string_view text, std::span<const std::string_view> blanks = kAsciiBlanks);

// text, shortened to at most max_bytes of whole UTF-8 characters ("…" marks the cut).
std::string shortened(std::string_view text, std::size_t max_bytes);

}  // namespace veltrano::support
