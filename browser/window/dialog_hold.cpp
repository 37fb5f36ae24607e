#include "dialog_hold.h"

#include <utility>

#include "support/glib_ptr.h"

namespace veltrano::browser {

DialogHold::DialogHold(Gtk::Window& opener, WebKitWebView* opener_view, std::function<void()> close_opener)
    : m_opener(opener), m_opener_view(opener_view), m_close_opener(std::move(close_opener)) {
  g_weak_ref_init(&m_last_opened, nullptr);
}

DialogHold::~DialogHold() {
  if (m_dialog) g_signal_handlers_disconnect_by_data(m_dialog, this);
  g_weak_ref_clear(&m_last_opened);
}

void DialogHold::opened(WebKitWebView* view) { g_weak_ref_set(&m_last_opened, view); }

void DialogHold::begin() {
  if (m_state != State::Idle) return;  // one wait at a time; the page's next waits inside it
  m_state = State::Waiting;
  const GObjectPtr<WebKitWebView> dialog(static_cast<WebKitWebView*>(g_weak_ref_get(&m_last_opened)));
  if (dialog) hold(dialog.get());
}

void DialogHold::hold(WebKitWebView* dialog) {
  GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(dialog));
  if (!GTK_IS_WINDOW(top) || m_dialog) return;
  gtk_window_set_transient_for(GTK_WINDOW(top), m_opener.gobj());
  gtk_widget_set_sensitive(GTK_WIDGET(m_opener_view), FALSE);
  m_dialog = dialog;
  g_signal_connect(dialog, "destroy", G_CALLBACK(on_dialog_destroy), this);
}

void DialogHold::on_dialog_destroy(GtkWidget*, DialogHold* self) { self->release(); }

void DialogHold::release() {
  if (!m_dialog) return;
  g_signal_handlers_disconnect_by_data(m_dialog, this);
  m_dialog = nullptr;
  gtk_widget_set_sensitive(GTK_WIDGET(m_opener_view), TRUE);
}

void DialogHold::end() {
  release();
  const State was = std::exchange(m_state, State::Idle);
  if (was == State::WaitingToClose) m_close_opener();
}

void DialogHold::lost() { end(); }

bool DialogHold::may_close() {
  if (m_state == State::Idle) return true;
  m_state = State::WaitingToClose;
  m_opener.hide();
  if (m_dialog) gtk_window_close(GTK_WINDOW(gtk_widget_get_toplevel(GTK_WIDGET(m_dialog))));
  return false;
}

}  // namespace veltrano::browser
