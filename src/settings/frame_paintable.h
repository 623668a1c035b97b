// The preview's picture: one paintable whose frame is replaced each beat,
// black without one (beneath the preview's own surface on Wayland).
// A new texture for GtkPicture every beat would have the whole window laid
// out again; this one keeps its size, so only the picture is drawn again
// (as GTK's own video streams do).
#pragma once

#include <gtk/gtk.h>

// NOTE: GObject's type macros are C and cast the C way.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wold-style-cast"
G_DECLARE_FINAL_TYPE(FramePaintable, frame_paintable, FLINDRA, FRAME_PAINTABLE, GObject)
#pragma GCC diagnostic pop

// A paintable of width x height pixels, black until its first frame.
FramePaintable* frame_paintable_new(int width, int height);
// Shows frame (of the paintable's size) from now on.
void frame_paintable_show(FramePaintable* self, GdkTexture* frame);
