// The fonts of the Chinese desktop the service's pages were laid out for, by the names
// pages give them, each mapped to an installed font of the closest metrics: 宋体 at 12 px
// sets a digit 6 px wide and a Hanzi 12 px wide here as it did there, so that charts laid
// out in pixels keep their width. The map is the shell's alone; the desktop's fontconfig
// stays as it is.
#pragma once

#include <string>

namespace veltrano::browser {

// The map as @font-face rules for a user style sheet: the web process looks the fonts up
// by their own names among the system's fonts, which its sandbox can read.
std::string desktop_font_faces();

}  // namespace veltrano::browser
