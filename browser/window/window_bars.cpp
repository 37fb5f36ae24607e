#include "window_bars.h"

#include <atk/atk.h>
#include <glibmm/main.h>

#include <utility>

#include "addresses.h"
#include "sandbox.h"

namespace veltrano::browser {
namespace {

constexpr char kLoading[] = "正在载入…";

}  // namespace

AddressBar::AddressBar(Go go, Refuse refuse)
    : Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 4), m_go(std::move(go)), m_refuse(std::move(refuse)) {
  m_label.set_margin_start(6);
  pack_start(m_label, Gtk::PACK_SHRINK);
  pack_start(m_entry, Gtk::PACK_EXPAND_WIDGET);
  set_margin_bottom(2);
  m_entry.set_input_purpose(Gtk::INPUT_PURPOSE_URL);
  m_entry.signal_activate().connect(sigc::mem_fun(*this, &AddressBar::on_entry_activate));
}

void AddressBar::show_address(const char* uri) {
  if (!m_entry.has_focus()) m_entry.set_text(uri ? uri : "");
}

void AddressBar::on_entry_activate() {
  std::string text = m_entry.get_text();
  text.erase(0, text.find_first_not_of(" \t"));
  if (text.empty()) return;
  if (text.find("://") == std::string::npos && text != "about:blank") text = "http://" + text;
  if (!web_scheme(text.c_str()) || has_user_info(text)) {
    m_refuse(has_user_info(text) ? kUserInfoRefused : "只能打开网页地址（http 或 https）");
    return;
  }
  m_go(text);
}

StatusBar::StatusBar(bool sandbox_off) : Gtk::Box(Gtk::ORIENTATION_HORIZONTAL, 6), m_sandbox_notice(kSandboxOffNotice) {
  m_text.set_xalign(0.0f);
  m_text.set_ellipsize(Pango::ELLIPSIZE_MIDDLE);
  m_text.set_margin_start(6);
  m_progress.set_size_request(120, -1);
  m_progress.set_valign(Gtk::ALIGN_CENTER);
  m_progress.set_no_show_all(true);
  pack_start(m_text, Gtk::PACK_EXPAND_WIDGET);
  pack_end(m_progress, Gtk::PACK_SHRINK);
  if (sandbox_off) pack_end(m_sandbox_notice, Gtk::PACK_SHRINK);
  set_margin_end(6);
  atk_object_set_accessible_id(get_accessible()->gobj(), "status-bar");
  atk_object_set_role(get_accessible()->gobj(), ATK_ROLE_STATUSBAR);
}

void StatusBar::show_link(const char* uri) {
  if (m_link == (uri ? uri : "")) return;
  m_link = uri ? uri : "";
  m_text.set_text(m_link);
}

void StatusBar::show_progress(double fraction, bool loading) {
  m_progress.set_fraction(fraction);
  m_progress.set_visible(loading);
  if (loading) m_text.set_text(kLoading);
}

void StatusBar::load_finished() {
  m_progress.hide();
  if (m_text.get_text() == kLoading) m_text.set_text("完成");
}

FullScreenHint::FullScreenHint() {
  set_markup("<big>按 F11 或 Alt+F4 退出全屏</big>");
  set_halign(Gtk::ALIGN_CENTER);
  set_valign(Gtk::ALIGN_START);
  set_margin_top(24);
  get_style_context()->add_class("app-notification");  // the theme's floating notice
  set_no_show_all(true);
}

FullScreenHint::~FullScreenHint() { m_timer.disconnect(); }

void FullScreenHint::show_for_a_while() {
  show();
  m_timer.disconnect();
  m_timer = Glib::signal_timeout().connect_seconds(
      [this] {
        hide();
        return false;
      },
      kSeconds);
}

}  // namespace veltrano::browser
