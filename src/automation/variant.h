// Automation values on the D-Bus wire: b, n, i, s, ay, and an empty av for the empty value
// (D-Bus has no empty structure).
#pragma once

#include <glib.h>

#include "automation/value.h"

namespace veltrano::automation {

// A new floating GVariant holding value.
GVariant* to_gvariant(const Value& value);
// The value a GVariant holds; fails (type mismatch) for any other wire type.
Value from_gvariant(GVariant* variant);

}  // namespace veltrano::automation
