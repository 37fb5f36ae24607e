// The browsers' prompt for a page that stopped answering, in the page's own window: wait for
// it, or close the window, which ends the page's web process (and with it only the windows
// that page opened). WebKit tells when the web process has not answered for a while; the
// prompt comes once it has not answered for kHungSeconds in all, and again after a wait.
#pragma once

#include <gtkmm/infobar.h>
#include <gtkmm/label.h>

#include <functional>

namespace veltrano::browser {

class UnresponsivePrompt : public Gtk::InfoBar {
 public:
  using Close = std::function<void()>;

  static constexpr unsigned kHungSeconds = 5;

  explicit UnresponsivePrompt(Close close);
  ~UnresponsivePrompt() override;

  // What WebKit says of the window's web process.
  void set_responsive(bool responsive);

 private:
  void on_response(int response) override;
  void ask_later(unsigned seconds);

  Gtk::Label m_message;
  Close m_close;
  bool m_responsive = true;
  sigc::connection m_timer;
};

}  // namespace veltrano::browser
