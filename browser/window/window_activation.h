// What a client hands over with a window so that the desktop brings the window in front as
// the answer to the user's input (a click in the client): the startup id or activation
// token of data/org.veltrano.Browser1.xml. The window keeps it until it is shown, however
// long after that is, and it is used once.
#pragma once

#include <gtk/gtk.h>

#include <cstddef>
#include <string>

namespace veltrano::browser {

class WindowActivation {
 public:
  static constexpr std::size_t kMaxLength = 256;

  WindowActivation() = default;
  // What a client sent. Throws automation::Error for text no desktop gives out.
  static WindowActivation from_client(std::string startup_id);

  bool empty() const noexcept { return m_startup_id.empty(); }
  // Shows window, telling the desktop which input it answers: on X11 as its startup id
  // (GTK sets the window's user time from "_TIME<t>"), on Wayland as the activation token
  // GTK passes on when the window asks for the focus. Without one, a plain show.
  void show(GtkWindow* window) const;

 private:
  explicit WindowActivation(std::string startup_id) : m_startup_id(std::move(startup_id)) {}

  std::string m_startup_id;
};

}  // namespace veltrano::browser
