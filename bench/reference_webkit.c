/* The reference for clicks: one minimal WebKitGTK window on a page, from a cold start. */
#include <webkit2/webkit2.h>

static void on_title(WebKitWebView *view, GParamSpec *pspec, GtkWindow *window) {
  (void)pspec;
  const char *title = webkit_web_view_get_title(view);
  if (title && *title) gtk_window_set_title(window, title);
}

int main(int argc, char **argv) {
  gtk_init(&argc, &argv);
  if (argc < 2) return 2;
  GtkWidget *window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 1024, 768);
  GtkWidget *view = webkit_web_view_new();
  gtk_container_add(GTK_CONTAINER(window), view);
  g_signal_connect(view, "notify::title", G_CALLBACK(on_title), window);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
