// The web process's half of showModalDialog. The old browser stopped the opener's script
// until the dialog was closed, and pages of its time go on with the dialog's returnValue;
// WebKit has dropped the call. WebKit loads this module into each web process, and on the
// service's pages only it hands the compatibility scripts one function, under a name that
// holds the shell's secret: wait(done) runs the process's main loop, nested, until done()
// is true. The dialog's page, a related view in this same process, loads and runs
// meanwhile, as do the other pages here and the opener's painting: only the opener's
// script is paused, inside the call. The shell keeps input from the opener meanwhile, and
// closes the opener only once its script has left the wait (see dialog_hold.h).
#include <webkit2/webkit-web-extension.h>

#include <string>

#include "addresses.h"
#include "support/glib_ptr.h"

namespace {

using veltrano::GMainLoopPtr;
using veltrano::GObjectPtr;

// How soon the script goes on after its dialog has closed.
constexpr guint kPollMs = 50;

std::string& wait_key() {
  static std::string key;  // "veltrano-wait-SECRET", set once at start
  return key;
}

struct Wait {
  GMainLoop* loop;
  JSCValue* done;
};

// done() is asked each kPollMs; a done() that throws ends the wait too: nothing here may
// keep a page waiting for ever.
gboolean on_poll(gpointer data) {
  auto* wait = static_cast<Wait*>(data);
  JSCContext* context = jsc_value_get_context(wait->done);
  const GObjectPtr<JSCValue> answer(jsc_value_function_call(wait->done, G_TYPE_NONE));
  const bool threw = jsc_context_get_exception(context) != nullptr;
  if (threw) jsc_context_clear_exception(context);
  if (!threw && answer && !jsc_value_to_boolean(answer.get())) return G_SOURCE_CONTINUE;
  g_main_loop_quit(wait->loop);
  return G_SOURCE_REMOVE;
}

void wait_until(JSCValue* done) {
  if (!jsc_value_is_function(done)) return;
  const GMainLoopPtr loop(g_main_loop_new(nullptr, FALSE));
  Wait wait{loop.get(), done};
  const veltrano::GSourcePtr poll(g_timeout_source_new(kPollMs));
  g_source_set_callback(poll.get(), on_poll, &wait, nullptr);
  g_source_attach(poll.get(), nullptr);
  g_main_loop_run(loop.get());
}

// Each new document of a service page gets the function before its scripts run; the
// compatibility scripts take it and remove it from the window before the page's own do.
void on_window_object_cleared(WebKitScriptWorld* world, WebKitWebPage*, WebKitFrame* frame, gpointer) {
  const char* uri = webkit_frame_get_uri(frame);
  if (!uri || !veltrano::browser::service_page(uri)) return;
  const GObjectPtr<JSCContext> context(webkit_frame_get_js_context_for_script_world(frame, world));
  const GObjectPtr<JSCValue> function(jsc_value_new_function(context.get(), nullptr, G_CALLBACK(wait_until), nullptr,
                                                             nullptr, G_TYPE_NONE, 1, JSC_TYPE_VALUE));
  const GObjectPtr<JSCValue> global(jsc_context_get_global_object(context.get()));
  jsc_value_object_define_property_data(global.get(), wait_key().c_str(), JSC_VALUE_PROPERTY_CONFIGURABLE,
                                        function.get());
}

}  // namespace

// The shell's secret comes as the module's start-up data, a string.
extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(WebKitWebExtension*,
                                                                               const GVariant* data) {
  if (!data || !g_variant_is_of_type(const_cast<GVariant*>(data), G_VARIANT_TYPE_STRING)) return;
  wait_key() = std::string("veltrano-wait-") + g_variant_get_string(const_cast<GVariant*>(data), nullptr);
  g_signal_connect(webkit_script_world_get_default(), "window-object-cleared", G_CALLBACK(on_window_object_cleared),
                   nullptr);
}
