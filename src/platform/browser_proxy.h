// "InternetExplorer.application": a browser window of the veltrano-browser shell, reached
// over the session bus. Creating one makes sure the shell runs; destroying one releases
// the instance, and the shell keeps a visible window open.
//
// Every call blocks the window's thread, so an object has one time budget for its whole
// life, starting the shell included: a shell that stops answering costs one click at
// most kBudget, never a wait per call. Once a call has run out of time the object counts
// as gone and every later call fails at once.
#pragma once

#include <gio/gio.h>

#include <chrono>
#include <functional>
#include <span>
#include <string>

#include "automation/object.h"
#include "support/glib_ptr.h"

namespace veltrano::platform {

// What the desktop needs to bring a window in front as the answer to the user's input being
// handled now: a startup id or an activation token (Create in data/org.veltrano.Browser1.xml),
// empty where there is none.
using StartupIdSource = std::function<std::string()>;

class BrowserProxy : public automation::Object {
 public:
  static constexpr std::chrono::milliseconds kBudget{10000};

  // A window that answers the input startup_id stands for.
  static automation::ObjectPtr create(const std::string& startup_id);
  ~BrowserProxy() override;

  automation::Value get(std::string_view member) override;
  void put(std::string_view member, const automation::Value& value) override;
  automation::Value call(std::string_view member, std::span<const automation::Value> args) override;

 private:
  using Clock = std::chrono::steady_clock;

  BrowserProxy(GObjectPtr<GDBusConnection> bus, std::uint32_t handle, Clock::time_point deadline);
  // One call of the interface; its reply is checked against the interface's description.
  GVariantPtr invoke(const char* method, GVariant* parameters);

  GObjectPtr<GDBusConnection> m_bus;
  std::uint32_t m_handle;
  Clock::time_point m_deadline;
  bool m_unresponsive = false;
};

}  // namespace veltrano::platform
