// A Wayland subsurface laid over one widget of the settings window, where
// the preview draws. The compositor shows each frame as it comes, at the
// screen's own pixels: the toolkit neither repaints nor copies anything for
// it. It follows the widget when the layout moves it and passes pointer
// input through to the window beneath.
#pragma once

#include <gtk/gtk.h>
#include <wayland-client.h>

#include <string>

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
  // Buffer pixels per logical pixel, the window's; the next frame's buffer
  // is drawn at this scale once setScale() has taken it.
  int windowScale() const;
  void setScale(int scale);
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
  wl_surface* surface_ = nullptr;
  wl_subsurface* subsurface_ = nullptr;
  wl_callback* frame_ = nullptr;
  int x_ = 0;
  int y_ = 0;
};
