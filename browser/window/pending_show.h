// How a window comes before the user. A client that shows a window goes on to place it and
// to ask for its page: the window is shown once the client has done so (show_if_asked), or
// once it pauses, so that it appears at its size and place, its page with it. A page asked
// for before the show, or while the warm-up page of a window made ahead of need still
// loads, is held until then; clients read it back as the window's page, loading.
#pragma once

#include <gtkmm/window.h>

#include <functional>
#include <string>

#include "window_activation.h"

namespace veltrano::browser {

class PendingShow {
 public:
  using Load = std::function<void(const std::string& url)>;

  // load asks the window's view for a page.
  PendingShow(Gtk::Window& window, Load load);
  ~PendingShow();
  PendingShow(const PendingShow&) = delete;
  PendingShow& operator=(const PendingShow&) = delete;

  // What a client asks with "Visible" and "Navigate".
  void ask_visible(bool visible);
  void ask_navigate(const std::string& url);
  bool visible_or_asked() const { return m_window.get_visible() || m_timer.connected(); }
  // The client is still at it: the pause starts again.
  void postpone();
  // The client has done with the window: placed, or not at all.
  void show_if_asked();
  // The page asked for and not yet loading; empty when none is held.
  const std::string& held() const noexcept { return m_held; }

  // The warm-up page is loading, and holds any page asked for until warm_up_done().
  void warm_up_started() { m_warming_up = true; }
  // Loaded, or its web process gone; true if it was loading.
  bool warm_up_done();

  // The one place where a window is put before the user, shown or raised: the client's
  // show and a page's new window alike.
  void present();
  // What the client's desktop gave for the input the window answers: the next present()
  // hands it to the window manager, once.
  void set_activation(WindowActivation activation) { m_activation = std::move(activation); }

 private:
  bool on_timer();
  void load_held_page();

  Gtk::Window& m_window;
  Load m_load;
  sigc::connection m_timer;  // shown, unless the client goes on, when it runs
  std::string m_held;
  bool m_warming_up = false;
  WindowActivation m_activation;
};

}  // namespace veltrano::browser
