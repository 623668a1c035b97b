// A Wayland subsurface laid over one widget of the settings window, where
// the preview draws. The compositor shows each frame as it comes, at the
// screen's own pixels: the toolkit neither repaints nor copies anything for
// it. A fractional scale is followed where the compositor tells it
// (wp_fractional_scale_v1 with wp_viewporter), the window's whole scale
// elsewhere. It follows the widget when the layout moves it and passes
// pointer input through to the window beneath.
#pragma once

#include <gtk/gtk.h>
#include <wayland-client.h>

#include <string>

#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"

class PreviewSubsurface {
 public:
  PreviewSubsurface() = default;
  ~PreviewSubsurface();
  PreviewSubsurface(const PreviewSubsurface&) = delete;
  PreviewSubsurface& operator=(const PreviewSubsurface&) = delete;

  // Over widget, which must be realized, width x height logical pixels;
  // false with why set when the window is not on Wayland.
  bool open(GtkWidget* widget, int width, int height, std::string& why);

  wl_display* display() const { return display_; }
  wl_surface* surface() const { return surface_; }
  // The buffer the next frame is drawn in, in pixels, for the screen's
  // scale as last told. The surface is set up for it (its scale, or at a
  // fractional scale its viewport) and takes it with that frame.
  struct BufferSize {
    int width;
    int height;
  };
  BufferSize nextBuffer();
  // Call before the frame's commit: waiting() is true from then until the
  // compositor asks for the next frame (never while the window is hidden).
  void askForFrame();
  bool waiting() const { return frame_ != nullptr; }

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
  wp_viewport* viewport_ = nullptr;
  wp_fractional_scale_v1* fractionalScale_ = nullptr;
  int scale120_ = 0;  // the compositor's preferred scale x 120; 0 until told
  // What the surface was last set up for.
  int fittedScale120_ = -1;
  int fittedScale_ = 0;
  BufferSize fitted_ = {0, 0};
  int width_ = 0;  // logical pixels
  int height_ = 0;
  wl_surface* surface_ = nullptr;
  wl_subsurface* subsurface_ = nullptr;
  wl_callback* frame_ = nullptr;
  int x_ = 0;
  int y_ = 0;
};
