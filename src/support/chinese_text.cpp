#include "support/chinese_text.h"

#include <gtk/gtk.h>

#include <initializer_list>

namespace veltrano {
namespace {

// GTK gives each widget a Pango context of the locale's language and keeps it; the widget's
// layouts follow a change of it. A widget joins a window (or a window is realized) before
// its text is measured for the screen.
gboolean on_widget_placed(GSignalInvocationHint*, guint, const GValue* parameters, gpointer) {
  static PangoLanguage* const chinese = pango_language_from_string("zh-cn");
  GtkWidget* widget = GTK_WIDGET(g_value_get_object(&parameters[0]));
  PangoContext* context = gtk_widget_get_pango_context(widget);
  if (pango_context_get_language(context) != chinese) {
    pango_context_set_language(context, chinese);
    gtk_widget_queue_resize(widget);
  }
  return TRUE;  // for every widget to come
}

}  // namespace

void use_chinese_font_language() {
  g_setenv("FC_LANG", "zh-cn", TRUE);  // read once, at fontconfig's first look-up
}

void use_simplified_chinese_text() {
  const gpointer widget_class = g_type_class_ref(GTK_TYPE_WIDGET);  // its signals exist from here on
  for (const char* signal : {"hierarchy-changed", "realize"})
    g_signal_add_emission_hook(g_signal_lookup(signal, GTK_TYPE_WIDGET), 0, &on_widget_placed, nullptr, nullptr);
  g_type_class_unref(widget_class);
}

}  // namespace veltrano
