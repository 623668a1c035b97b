// A Wayland subsurface laid over one widget of the settings window, where
// the preview draws through the saver's own drawing pieces (DrawnSurface:
// scale, buffer plan, EGL window, frame pacing). The compositor shows each
// frame as it comes, at the screen's own pixels: the toolkit neither
// repaints nor copies anything for it. A fractional scale is followed where
// the compositor tells it (wp_fractional_scale_v1 with wp_viewporter), the
// window's whole scale elsewhere. It follows the widget when the layout
// moves it and passes pointer input through to the window beneath.
#pragma once

#include <gtk/gtk.h>
#include <wayland-client.h>

#include <string>

#include "wayland/drawn_surface.h"

class PreviewSubsurface {
 public:
  PreviewSubsurface() = default;
  // After CloseDrawnSurface(egl, drawn).
  ~PreviewSubsurface();
  PreviewSubsurface(const PreviewSubsurface&) = delete;
  PreviewSubsurface& operator=(const PreviewSubsurface&) = delete;

  // Over widget, which must be realized, width x height logical pixels;
  // false with why set when the window is not on Wayland.
  bool open(GtkWidget* widget, int width, int height, std::string& why);

  wl_display* display() const { return display_; }
  // The buffer the next frame is drawn in, for the screen's scale as last told.
  BufferPlan plan() const;

  DrawnSurface drawn;

 private:
  static void place(GdkFrameClock* clock, gpointer self);

  GtkWidget* widget_ = nullptr;
  GdkSurface* parent_ = nullptr;
  GdkFrameClock* clock_ = nullptr;
  gulong layoutHandler_ = 0;
  wl_display* display_ = nullptr;
  wl_subcompositor* subcompositor_ = nullptr;
  wp_viewporter* viewporter_ = nullptr;
  wp_fractional_scale_manager_v1* fractionalScales_ = nullptr;
  int width_ = 0;  // logical pixels
  int height_ = 0;
  wl_subsurface* subsurface_ = nullptr;
  int x_ = 0;
  int y_ = 0;
};
