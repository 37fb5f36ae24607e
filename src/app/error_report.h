// The report of a failure that no procedure trapped.
#pragma once

#include <gtkmm/window.h>

#include "automation/error.h"

namespace veltrano::app {

// A modal message naming the error, in Chinese, over parent (which may be null).
void ReportUnhandledError(Gtk::Window* parent, const automation::Error& error);

}  // namespace veltrano::app
