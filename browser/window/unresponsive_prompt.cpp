#include "unresponsive_prompt.h"

#include <glibmm/main.h>

#include <utility>

namespace veltrano::browser {
namespace {

constexpr char kWorld[] = "veltrano-responsiveness";
constexpr std::int64_t kSecond = 1'000'000;

enum Answer { kWait = 1, kClose = 2 };

}  // namespace

UnresponsivePrompt::UnresponsivePrompt(WebKitWebView* view, Close close) : m_view(view), m_close(std::move(close)) {
  m_message.set_markup("<b>页面无响应</b>\n此页面已停止响应。您可以等待它恢复，或者关闭此窗口。");
  m_message.set_xalign(0.0f);
  m_message.set_line_wrap(true);
  dynamic_cast<Gtk::Container&>(*get_content_area()).add(m_message);
  m_message.show();
  add_button("等待", kWait);
  add_button("关闭", kClose);
  set_message_type(Gtk::MESSAGE_WARNING);
  set_no_show_all(true);
  m_ticks = Glib::signal_timeout().connect_seconds(sigc::mem_fun(*this, &UnresponsivePrompt::on_tick), 1);
}

UnresponsivePrompt::~UnresponsivePrompt() {
  m_ticks.disconnect();
  g_cancellable_cancel(m_cancellable.get());  // the answer's callback runs no more
}

bool UnresponsivePrompt::hung() const { return m_asked && g_get_monotonic_time() - m_asked >= kHungSeconds * kSecond; }

// A window nobody sees is asked nothing: a page may do as it likes there.
bool UnresponsivePrompt::on_tick() {
  const std::int64_t now = g_get_monotonic_time();
  if (!m_asked && get_toplevel()->get_mapped()) {
    m_asked = now;
    webkit_web_view_evaluate_javascript(m_view, "0", -1, kWorld, nullptr, m_cancellable.get(),
                                        &UnresponsivePrompt::on_answer, this);
  }
  if (hung() && now >= m_wait_until) show();
  return true;
}

// Any answer will do, an error too (the process ended: the window says so otherwise).
void UnresponsivePrompt::on_answer(GObject* view, GAsyncResult* result, gpointer self) {
  ErrorSlot error;
  g_autoptr(JSCValue) value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, error.out());
  if (g_error_matches(error.get(), G_IO_ERROR, G_IO_ERROR_CANCELLED)) return;  // self is gone
  auto* prompt = static_cast<UnresponsivePrompt*>(self);
  prompt->m_asked = 0;
  prompt->hide();
}

void UnresponsivePrompt::on_response(int response) {
  hide();
  if (response == kClose) {
    m_close();
    return;
  }
  m_wait_until = g_get_monotonic_time() + kHungSeconds * kSecond;
}

}  // namespace veltrano::browser
