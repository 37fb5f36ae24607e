// Turning a URL into the text of the document it names.
#pragma once

#include <optional>
#include <string>

#include "automation/registry.h"

namespace veltrano::update {

// A synchronous GET of url, its body decoded as GB2312. Nothing (std::nullopt) when the
// request did not complete or the server answered with an error status. Failures are
// not trapped: they leave as automation::Error.
std::optional<std::string> FetchPageText(const std::string& url, const automation::Registry& registry);

// bytes decoded in the character set charset names.
std::string DecodeBytes(const automation::Bytes& bytes, const std::string& charset,
                        const automation::Registry& registry);

}  // namespace veltrano::update
