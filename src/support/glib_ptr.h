// Owning handles for the GLib C types the program and the shell hold: one way to own them,
// so that no unref or free is written anywhere else.
#pragma once

#include <glib-object.h>

#include <memory>

namespace veltrano {

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
struct GVariantUnref {
  void operator()(GVariant* variant) const { g_variant_unref(variant); }
};
struct GVariantIterFree {
  void operator()(GVariantIter* iter) const { g_variant_iter_free(iter); }
};
struct GUriUnref {
  void operator()(GUri* uri) const { g_uri_unref(uri); }
};
struct GBytesUnref {
  void operator()(GBytes* bytes) const { g_bytes_unref(bytes); }
};
struct GSourceDestroy {  // detached from its context, then released
  void operator()(GSource* source) const {
    g_source_destroy(source);
    g_source_unref(source);
  }
};
struct GMainLoopUnref {
  void operator()(GMainLoop* loop) const { g_main_loop_unref(loop); }
};
struct GMainContextUnref {
  void operator()(GMainContext* context) const { g_main_context_unref(context); }
};
struct GErrorFree {
  void operator()(GError* error) const { g_error_free(error); }
};

template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;
using GVariantPtr = std::unique_ptr<GVariant, GVariantUnref>;
using GVariantIterPtr = std::unique_ptr<GVariantIter, GVariantIterFree>;
using GUriPtr = std::unique_ptr<GUri, GUriUnref>;
using GBytesPtr = std::unique_ptr<GBytes, GBytesUnref>;
using GSourcePtr = std::unique_ptr<GSource, GSourceDestroy>;
using GMainLoopPtr = std::unique_ptr<GMainLoop, GMainLoopUnref>;
using GMainContextPtr = std::unique_ptr<GMainContext, GMainContextUnref>;
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

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
