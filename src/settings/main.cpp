// flindra-settings: the settings window for desktops without XScreenSaver.
#include <gtk/gtk.h>

#include "core/fpu.h"
#include "settings/settings_window.h"

int main(int argc, char** argv) {
  // The same drawing arithmetic as the saver's, for the same pixels.
  MaskFloatingPointExceptions();
  GtkApplication* app = gtk_application_new("example.flindra.Settings", G_APPLICATION_DEFAULT_FLAGS);
  g_signal_connect(app, "activate", G_CALLBACK(+[](GtkApplication* a, gpointer) {
                     // One window: a second start shows the first.
                     if (GtkWindow* open = gtk_application_get_active_window(a)) gtk_window_present(open);
                     else ShowSettingsWindow(a);
                   }),
                   nullptr);
  const int status = g_application_run(G_APPLICATION(app), argc, argv);
  g_object_unref(app);
  return status;
}
