// Who owns what, in the program and the shell, one way each:
// - A GObject, or another GLib handle, that C++ code holds is one of the owning handles
//   here (GObjectPtr for every GObject), so that no unref or free is written anywhere else.
//   A string GLib hands over is g_autofree, and a boxed value used within one function
//   g_autoptr, as GLib's own code has them.
// - A gtkmm widget is its owner's: a member, or a std::unique_ptr where the owner makes a
//   number of them or decides when one goes (a tool bar's buttons, the window's controls,
//   the shell's windows); never Gtk::manage. glibmm's own objects (actions, menus, the
//   application) are the Glib::RefPtr gtkmm hands out.
#pragma once

#include <glib-object.h>

#include <memory>

namespace veltrano {

// Frees a handle with GLib's own function for it.
template <auto Free>
struct FreeWith {
  template <class T>
  void operator()(T* handle) const {
    Free(handle);
  }
};

// A source leaves its main context before it is released.
inline void destroy_source(GSource* source) {
  g_source_destroy(source);
  g_source_unref(source);
}

template <class T>
using GObjectPtr = std::unique_ptr<T, FreeWith<g_object_unref>>;
using GVariantPtr = std::unique_ptr<GVariant, FreeWith<g_variant_unref>>;
using GVariantIterPtr = std::unique_ptr<GVariantIter, FreeWith<g_variant_iter_free>>;
using GUriPtr = std::unique_ptr<GUri, FreeWith<g_uri_unref>>;
using GBytesPtr = std::unique_ptr<GBytes, FreeWith<g_bytes_unref>>;
using GSourcePtr = std::unique_ptr<GSource, FreeWith<destroy_source>>;
using GMainLoopPtr = std::unique_ptr<GMainLoop, FreeWith<g_main_loop_unref>>;
using GMainContextPtr = std::unique_ptr<GMainContext, FreeWith<g_main_context_unref>>;
using GErrorPtr = std::unique_ptr<GError, FreeWith<g_error_free>>;

// Makes context the calling thread's default while it lives: what starts meanwhile calls
// back there, and only there.
class ThreadDefaultContext {
 public:
  explicit ThreadDefaultContext(GMainContext* context) : m_context(context) {
    g_main_context_push_thread_default(context);
  }
  ~ThreadDefaultContext() { g_main_context_pop_thread_default(m_context); }
  ThreadDefaultContext(const ThreadDefaultContext&) = delete;
  ThreadDefaultContext& operator=(const ThreadDefaultContext&) = delete;

 private:
  GMainContext* m_context;
};

// Collects a GError out-parameter: call(..., err.out()).
class ErrorSlot {
 public:
  GError** out() { return &m_raw; }
  GError* get() const { return m_raw; }
  explicit operator bool() const { return m_raw != nullptr; }
  ~ErrorSlot() {
    if (m_raw) g_error_free(m_raw);
  }

 private:
  GError* m_raw = nullptr;
};

}  // namespace veltrano
