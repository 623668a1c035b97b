// flindra-settings: the settings window for desktops without XScreenSaver.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <csignal>
#include <initializer_list>

#include "core/fpu.h"
#include "settings/settings_window.h"

// NOTE: GTK's GL on X11 first tries an EGL display and, settling on GLX,
// terminates it; Mesa 22 then unloads its driver while one of the driver's
// own globals still points at 128 bytes, which LeakSanitizer, no longer
// seeing that global, reports as a leak of an unknown module. An EGL display
// initialized before GTK starts and kept to the end holds the driver loaded
// for the process's life (on Wayland GTK and the preview load it anyway).
static void keepGlDriverLoaded() {
  eglInitialize(eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr), nullptr, nullptr);
}

int main(int argc, char** argv) {
  // The same drawing arithmetic as the saver's, for the same pixels.
  MaskFloatingPointExceptions();
  keepGlDriverLoaded();
  GtkApplication* app = gtk_application_new("example.flindra.Settings", G_APPLICATION_DEFAULT_FLAGS);
  g_signal_connect(app, "activate", G_CALLBACK(+[](GtkApplication* a, gpointer) {
                     // One window: a second start shows the first.
                     if (GtkWindow* open = gtk_application_get_active_window(a)) gtk_window_present(open);
                     else ShowSettingsWindow(a);
                   }),
                   nullptr);
  // SIGTERM and SIGINT end it as closing the window does: GTK then also
  // says goodbye to the session manager, which otherwise counts it lost.
  for (const int signal : {SIGTERM, SIGINT})
    g_unix_signal_add(signal, +[](gpointer a) -> gboolean {
      g_application_quit(G_APPLICATION(a));
      return G_SOURCE_CONTINUE;
    }, app);
  // A quit leaves the windows standing; each goes as closing it does, so
  // what it has still to write is written.
  g_signal_connect(app, "shutdown", G_CALLBACK(+[](GtkApplication* a, gpointer) {
                     while (GList* open = gtk_application_get_windows(a)) gtk_window_destroy(GTK_WINDOW(open->data));
                   }),
                   nullptr);
  const int status = g_application_run(G_APPLICATION(app), argc, argv);
  g_object_unref(app);
  return status;
}
