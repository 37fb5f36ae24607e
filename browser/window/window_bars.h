// The small widgets of a browser window besides its menus: the address bar, the status bar
// (which the gestures, the page's requests and the downloads report to), and the hint over
// the page of a window a page put in full screen.
#pragma once

#include <gtkmm/box.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/progressbar.h>

#include <functional>
#include <string>

namespace veltrano::browser {

class AddressBar : public Gtk::Box {
 public:
  // go gets what the user typed, made an address, once it is one the shell opens.
  using Go = std::function<void(const std::string& url)>;
  using Refuse = std::function<void(const std::string& why)>;

  AddressBar(Go go, Refuse refuse);
  // The view's address, unless the user is typing one.
  void show_address(const char* uri);

 private:
  void on_entry_activate();

  Gtk::Label m_label{"地址"};
  Gtk::Entry m_entry;
  Go m_go;
  Refuse m_refuse;
};

class StatusBar : public Gtk::Box {
 public:
  // sandbox_off: the user turned WebKit's sandbox off, which every window says.
  explicit StatusBar(bool sandbox_off);

  void show_text(const Glib::ustring& text) { m_text.set_text(text); }
  // The link under the mouse; told again after a click, when what the click brought about
  // stays in view.
  void show_link(const char* uri);
  // The page's load: its progress while it is under way, then "完成".
  void show_progress(double fraction, bool loading);
  void load_finished();

 private:
  Gtk::Label m_text;
  Gtk::ProgressBar m_progress;
  Gtk::Label m_sandbox_notice;
  std::string m_link;
};

// How to leave full screen, over the page for a few seconds, as browsers say it.
class FullScreenHint : public Gtk::Label {
 public:
  static constexpr unsigned kSeconds = 4;

  FullScreenHint();
  ~FullScreenHint() override;
  void show_for_a_while();

 private:
  sigc::connection m_timer;
};

}  // namespace veltrano::browser
