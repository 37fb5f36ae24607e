// What a client may send the shell: a member name and a value of any kind, as D-Bus
// delivers them, dispatched to a browser object whose window is gone. Every outcome
// must be a value or an automation error.
#include <glib.h>

#include <cstdint>

#include "automation/variant.h"
#include "browser_object.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t how = data[0] % 3;
  GBytes* bytes = g_bytes_new(data + 1, size - 1);
  GVariant* message = g_variant_ref_sink(g_variant_new_from_bytes(G_VARIANT_TYPE("(sav)"), bytes, FALSE));
  g_bytes_unref(bytes);
  GVariant* normal = g_variant_get_normal_form(message);
  g_variant_unref(message);

  const char* member = nullptr;
  GVariantIter* iter = nullptr;
  g_variant_get(normal, "(&sav)", &member, &iter);
  veltrano::browser::BrowserObject object([] { return static_cast<veltrano::browser::BrowserWindow*>(nullptr); });
  std::vector<veltrano::automation::Value> args;
  GVariant* arg = nullptr;
  try {
    while (g_variant_iter_next(iter, "v", &arg)) {
      args.push_back(veltrano::automation::from_gvariant(arg));
      g_variant_unref(arg);
      arg = nullptr;
    }
    if (how == 0) object.get(member);
    if (how == 1) object.put(member, args.empty() ? veltrano::automation::Value() : args.front());
    if (how == 2) object.call(member, args);
    for (const auto& value : args) g_variant_unref(g_variant_ref_sink(veltrano::automation::to_gvariant(value)));
  } catch (const veltrano::automation::Error&) {
  }
  if (arg) g_variant_unref(arg);
  g_variant_iter_free(iter);
  g_variant_unref(normal);
  return 0;
}
