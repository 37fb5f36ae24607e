// What the browser shell must hand the desktop for a window to come in front as the answer
// to the input the launcher is handling now (a click, a key): the desktop's own record of
// that input, as the shell's bus interface carries it in Create.
#pragma once

#include <string>

namespace veltrano::app {

// On X11 "_TIME<t>", the input's X server time (GTK's form of a startup id that carries a
// time alone); on Wayland an XDG activation token from GTK's launch context, which the
// compositor ties to the input and the launcher's window. Empty where there is nothing to
// give: no input being handled and none before it, or a desktop with neither.
std::string startup_id_for_current_input();

}  // namespace veltrano::app
