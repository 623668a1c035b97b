// The settings window: a slider for each setting the saver draws with, the
// live preview, the idle switch with its minutes, and Preview. Every change
// is written to the user's settings file at once; a line of the file the
// saver would reject is told in the notice at the top.
#pragma once

#include <gtk/gtk.h>

// The window, built and shown for app; it owns what it edits and lives as
// long as the window does.
GtkWidget* ShowSettingsWindow(GtkApplication* app);
