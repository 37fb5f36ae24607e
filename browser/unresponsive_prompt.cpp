#include "unresponsive_prompt.h"

#include <glibmm/main.h>

#include <utility>

namespace veltrano::browser {
namespace {

// WebKit calls a web process unresponsive once it has not answered for 3 s.
constexpr unsigned kWebKitSeconds = 3;

enum Answer { kWait = 1, kClose = 2 };

}  // namespace

UnresponsivePrompt::UnresponsivePrompt(Close close) : m_close(std::move(close)) {
  m_message.set_markup("<b>页面无响应</b>\n此页面已停止响应。您可以等待它恢复，或者关闭此窗口。");
  m_message.set_xalign(0.0f);
  m_message.set_line_wrap(true);
  dynamic_cast<Gtk::Container&>(*get_content_area()).add(m_message);
  m_message.show();
  add_button("等待", kWait);
  add_button("关闭", kClose);
  set_message_type(Gtk::MESSAGE_WARNING);
  set_no_show_all(true);
}

UnresponsivePrompt::~UnresponsivePrompt() { m_timer.disconnect(); }

void UnresponsivePrompt::set_responsive(bool responsive) {
  m_responsive = responsive;
  m_timer.disconnect();
  if (responsive)
    hide();
  else
    ask_later(kHungSeconds - kWebKitSeconds);
}

// The timer's slot is ours: it goes with the prompt.
void UnresponsivePrompt::ask_later(unsigned seconds) {
  m_timer = Glib::signal_timeout().connect_seconds(
      [this] {
        if (!m_responsive) show();
        return false;
      },
      seconds);
}

void UnresponsivePrompt::on_response(int response) {
  hide();
  if (response == kClose)
    m_close();
  else if (!m_responsive)
    ask_later(kHungSeconds);
}

}  // namespace veltrano::browser
