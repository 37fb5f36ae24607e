// What the browser shell must hand the desktop for a window to come in front as the answer
// to the input the launcher is handling now (a click, a key): the desktop's own record of
// that input, as the shell's bus interface carries it in Create.
#pragma once

#include <string>

namespace veltrano::app {

// From GTK's launch context: on X11 the id of a startup-notification sequence it announces,
// stamped with the input's X server time (also after the id's "_TIME"); on Wayland an XDG
// activation token, which the compositor ties to the input and the launcher's window. Empty
// where there is nothing to give: on X11 no input being handled and none before it.
std::string startup_id_for_current_input();

}  // namespace veltrano::app
