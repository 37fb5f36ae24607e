// Owning handles for the GLib C types the platform classes use.
#pragma once

#include <glib-object.h>

#include <memory>

namespace veltrano::platform {

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
struct GVariantUnref {
  void operator()(GVariant* variant) const { g_variant_unref(variant); }
};
struct GUriUnref {
  void operator()(GUri* uri) const { g_uri_unref(uri); }
};

template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;
using GVariantPtr = std::unique_ptr<GVariant, GVariantUnref>;
using GUriPtr = std::unique_ptr<GUri, GUriUnref>;

// Collects a GError out-parameter: call(..., err.out()).
class ErrorSlot {
 public:
  GError** out() { return &m_raw; }
  GError* get() const { return m_raw; }
  explicit operator bool() const { return m_raw != nullptr; }
  ~ErrorSlot() { if (m_raw) g_error_free(m_raw); }

 private:
  GError* m_raw = nullptr;
};

}  // namespace veltrano::platform
