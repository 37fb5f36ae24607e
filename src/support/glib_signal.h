// A GObject signal connected to a named member function that takes the signal's own
// parameters, the instance and the signal's arguments in order: one signal, one handler,
// and no cast or trampoline written at the place it is connected.
#pragma once

#include <glib-object.h>

namespace veltrano {

template <auto Handler>
struct SignalHandler;
template <class Result, class Owner, class... Args, Result (Owner::*Handler)(Args...)>
struct SignalHandler<Handler> {
  static Result call(Args... args, gpointer owner) { return (static_cast<Owner*>(owner)->*Handler)(args...); }
};

// The owner disconnects what it connected before it goes (g_signal_handlers_disconnect_by_data).
template <auto Handler, class Owner>
gulong connect_signal(gpointer instance, const char* signal, Owner* owner) {
  return g_signal_connect(instance, signal, G_CALLBACK(&SignalHandler<Handler>::call), owner);
}

}  // namespace veltrano
