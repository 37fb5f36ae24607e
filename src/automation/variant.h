// Automation values on the D-Bus wire: b, n, i, s, ay, and an empty av for the empty value
// (D-Bus has no empty structure).
#pragma once

#include <glib.h>

#include <string>
#include <string_view>

#include "automation/value.h"

namespace veltrano::automation {

// A new floating GVariant holding value.
GVariant* to_gvariant(const Value& value);
// The value a GVariant holds; fails (type mismatch) for any other wire type.
Value from_gvariant(GVariant* variant);

}  // namespace veltrano::automation

namespace veltrano::automation {

// Failures on the wire: the D-Bus error name says which kind of automation error it is,
// the message is the error's description.
std::string dbus_error_name(std::int32_t number);
// The error number for a D-Bus error name; kObjectGone for any name not of ours.
std::int32_t error_number_from_dbus(std::string_view name);

}  // namespace veltrano::automation
