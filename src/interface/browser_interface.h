// The browser shell's bus interface, shared by the shell that serves it and the launcher's
// "InternetExplorer.application" objects that call it: its names, its description (read
// from data/org.veltrano.Browser1.xml, built in), and its errors as a GError domain whose
// codes carry automation's error numbers across the bus.
#pragma once

#include <gio/gio.h>

#include <cstdint>

#include "automation/error.h"

namespace veltrano::interface {

// The automation class whose objects are the shell's windows.
inline constexpr char kClassName[] = "InternetExplorer.application";

inline constexpr char kBusName[] = "org.veltrano.Browser";
inline constexpr char kObjectPath[] = "/org/veltrano/Browser";
inline constexpr char kInterfaceName[] = "org.veltrano.Browser1";

// The interface as the XML file describes it. Lives as long as the process.
GDBusInterfaceInfo* interface_info();

// The reply type of method, "(...)" of its out arguments, as the description has it.
const GVariantType* reply_type(const char* method);

// The errors' domain, registered with GDBus so that its codes travel as the names
// org.veltrano.Browser1.Error.*.
enum class BrowserError {
  InvalidArgument,
  Overflow,
  TypeMismatch,
  UnknownMember,
  WrongArgCount,
  Gone,
  CannotCreate,
  Failed,
};
GQuark error_quark();

// An automation error as a GError of the domain, for a D-Bus reply. The caller frees it.
GError* to_gerror(const automation::Error& error);
// The automation error a failed call stands for: the domain's errors by their code; any
// other (the shell gone, no reply) as the object gone.
automation::Error from_gerror(const GError* error);

}  // namespace veltrano::interface
