#pragma once

namespace veltrano::app {

// Start-up: creates the main window, loads and shows it, and runs until it is gone.
// Returns the process's exit status.
int Main();

}  // namespace veltrano::app
