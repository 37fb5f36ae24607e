// The shell's own files, built into it from browser.gresource.xml: the compatibility
// scripts, the script for a window without scroll bars, the error page.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace veltrano::browser {

// The text of the built-in file name; empty only in a broken build.
std::string resource_text(std::string_view name);

// text with every @NAME@ in it replaced by values' entry for NAME, in one pass: what a
// value brings in is never read for names. A name values lacks stays as it is.
std::string fill_template(std::string_view text, const std::map<std::string_view, std::string>& values);

}  // namespace veltrano::browser
