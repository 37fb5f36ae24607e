#include "printing.h"

#include <glibmm/main.h>
#include <gtk/gtkunixprint.h>
#include <gtkmm/windowgroup.h>

#include <utility>
#include <vector>

#include "download.h"
#include "user_gestures.h"

namespace veltrano::browser {
namespace {

constexpr char kTitle[] = "打印";
constexpr char kNoGesture[] = "已阻止打印：网页只能在您点击之后打印";
constexpr char kAfterCancel[] = "已阻止打印：您刚刚取消了打印，网页不能立即再次要求打印";

// The choices of the last print are the next one's, in any window.
GtkPrintSettings* last_settings() {
  static const GObjectPtr<GtkPrintSettings> settings(gtk_print_settings_new());
  return settings.get();
}

// A print to a file goes to the documents folder (the home folder without one) under the
// page's title, unless the user names another: GTK's default is the folder the shell was
// started in.
void name_output_file(WebKitWebView* view) {
  GtkPrintSettings* settings = last_settings();
  const char* folder = g_get_user_special_dir(G_USER_DIRECTORY_DOCUMENTS);
  const char* title = webkit_web_view_get_title(view);
  const char* format = gtk_print_settings_get(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT);
  const std::string name = safe_file_name(title && *title ? title : "网页") + "." + (format ? format : "pdf");
  g_autofree gchar* path = g_build_filename(folder ? folder : g_get_home_dir(), name.c_str(), nullptr);
  g_autofree gchar* uri = g_filename_to_uri(path, nullptr, nullptr);
  gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri);
}

// Each print has a dialog of its own (GTK's reads the settings only as it starts), and a
// dialog answered is hidden, never destroyed: GTK logs a critical (gtk_notebook_get_tab_label)
// when one is destroyed while a screen reader follows it, which ends a shell run with fatal
// criticals. A page prints only once per click, so they are as many as the user's prints.
std::vector<Gtk::PrintUnixDialog*>& answered_dialogs() {
  static auto* answered = new std::vector<Gtk::PrintUnixDialog*>();
  return *answered;
}

Gtk::PrintUnixDialog* new_dialog() {
  auto* dialog = new Gtk::PrintUnixDialog(kTitle);
  gtk_print_unix_dialog_set_embed_page_setup(dialog->gobj(), TRUE);
  gtk_print_unix_dialog_set_manual_capabilities(
      dialog->gobj(), static_cast<GtkPrintCapabilities>(
                          GTK_PRINT_CAPABILITY_NUMBER_UP | GTK_PRINT_CAPABILITY_NUMBER_UP_LAYOUT |
                          GTK_PRINT_CAPABILITY_PAGE_SET | GTK_PRINT_CAPABILITY_REVERSE | GTK_PRINT_CAPABILITY_COPIES |
                          GTK_PRINT_CAPABILITY_COLLATE | GTK_PRINT_CAPABILITY_SCALE));
  dialog->set_modal(true);  // modal within its window's own group: the other windows go on
  return dialog;
}

}  // namespace

Printing::Printing(Gtk::Window& window, WebKitWebView* view, UserGestures& gestures, ShowStatus show_status)
    : m_window(window), m_view(view), m_gestures(gestures), m_show_status(std::move(show_status)) {}

Printing::~Printing() { put_dialog_away(); }

void Printing::put_dialog_away() {
  if (!m_dialog) return;
  m_response.disconnect();
  m_dialog->hide();
  m_dialog->unset_transient_for();
  answered_dialogs().push_back(std::exchange(m_dialog, nullptr));
}

void Printing::print_page() {
  if (m_dialog) {
    m_dialog->present();
    return;
  }
  const GObjectPtr<WebKitPrintOperation> operation(webkit_print_operation_new(m_view));
  open_dialog(operation.get());
}

void Printing::page_asks(WebKitPrintOperation* operation) {
  if (m_dialog) return;  // one at a time; the user is answering it
  if (m_cancelled_at && g_get_monotonic_time() - m_cancelled_at <= UserGestures::kWindowMicroseconds) {
    m_show_status(kAfterCancel);
    return;
  }
  if (!m_gestures.take()) {
    m_show_status(kNoGesture);
    return;
  }
  open_dialog(operation);
}

// GTK's own print dialog, shown without a main loop of its own (WebKit's would run one,
// holding every window's events while it is up); WebKit prints once it is answered.
void Printing::open_dialog(WebKitPrintOperation* operation) {
  name_output_file(m_view);
  m_operation.reset(WEBKIT_PRINT_OPERATION(g_object_ref(operation)));
  m_dialog = new_dialog();
  m_dialog->set_transient_for(m_window);
  if (Glib::RefPtr<Gtk::WindowGroup> group = m_window.get_group()) group->add_window(*m_dialog);
  gtk_print_unix_dialog_set_settings(m_dialog->gobj(), last_settings());
  m_response = m_dialog->signal_response().connect(sigc::mem_fun(*this, &Printing::on_dialog_response));
  m_dialog->present();
}

void Printing::on_dialog_response(int response) {
  GtkPrintUnixDialog* dialog = m_dialog->gobj();
  if (response == Gtk::RESPONSE_OK) {
    GObjectPtr<GtkPrintSettings> settings(gtk_print_unix_dialog_get_settings(dialog));
    if (GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(dialog))
      gtk_print_settings_set_printer(settings.get(), gtk_printer_get_name(printer));
    gtk_print_settings_foreach(
        settings.get(),
        [](const gchar* key, const gchar* value, gpointer to) {
          gtk_print_settings_set(GTK_PRINT_SETTINGS(to), key, value);
        },
        last_settings());
    webkit_print_operation_set_print_settings(m_operation.get(), settings.get());
    webkit_print_operation_set_page_setup(m_operation.get(), gtk_print_unix_dialog_get_page_setup(dialog));
    webkit_print_operation_print(m_operation.get());
    m_cancelled_at = 0;
  } else {
    m_cancelled_at = g_get_monotonic_time();
  }
  put_dialog_away();
}

}  // namespace veltrano::browser
