// "InternetExplorer.application": a browser window of the veltrano-browser shell, reached
// over the session bus. Creating one makes sure the shell runs; destroying one releases
// the instance, and the shell keeps a visible window open.
#pragma once

#include <gio/gio.h>

#include <chrono>
#include <span>
#include <string>

#include "automation/object.h"
#include "platform/glib_ptr.h"

namespace veltrano::platform {

class BrowserProxy : public automation::Object {
 public:
  // How long a new shell may take to appear on the bus before creation fails.
  static constexpr std::chrono::seconds kStartTimeout{10};

  static automation::ObjectPtr create();
  ~BrowserProxy() override;

  automation::Value get(std::string_view member) override;
  void put(std::string_view member, const automation::Value& value) override;
  automation::Value call(std::string_view member, std::span<const automation::Value> args) override;

 private:
  BrowserProxy(GObjectPtr<GDBusConnection> bus, std::uint32_t handle);
  GVariantPtr invoke(const char* method, GVariant* parameters, const GVariantType* reply_type);

  GObjectPtr<GDBusConnection> m_bus;
  std::uint32_t m_handle;
};

}  // namespace veltrano::platform
