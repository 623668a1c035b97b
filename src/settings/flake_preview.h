// The live preview: the saver's own frame, drawn by the core at the
// picture's place and size. On Wayland it draws on a subsurface over the
// picture at the screen's scale (fractional where the compositor tells it),
// paced by the compositor as the saver is; elsewhere offscreen, read back
// each beat into a texture the picture shows. The flakes fall as in the
// saver; the test seam's held frame holds one frame, drawn again whenever
// the settings change.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <optional>
#include <string>

#include "core/flakes.h"
#include "posix/test_seam.h"
#include "settings/frame_paintable.h"
#include "settings/offscreen_frame.h"
#include "settings/preview_subsurface.h"
#include "wayland/egl_context.h"

class FlakePreview {
 public:
  // Shows the preview in picture (realized), width x height logical
  // pixels; false with why set when there is no context to draw with (the
  // window goes on without it).
  bool start(GtkPicture* picture, int width, int height, const Settings& settings, std::string& why);
  ~FlakePreview();
  // The settings the next frame draws with.
  void follow(const Settings& settings);

 private:
  static gboolean onBeat(gpointer self);
  // False when EGL refuses the frame's surface.
  bool drawFrame();
  void showOffscreenFrame();

  FramePaintable* frame_ = nullptr;  // what the picture shows offscreen frames in
  EglContext egl_;
  std::unique_ptr<PreviewSubsurface> subsurface_;  // on Wayland
  std::unique_ptr<OffscreenFrame> offscreen_;      // elsewhere
  bool sceneSet_ = false;
  long beats_ = 0;
  std::unique_ptr<FlakeField> field_ = std::make_unique<FlakeField>();
  Settings settings_;
  std::uint8_t opacity_ = 255;  // the fade's last byte for settings_' Brightness, found once a change
  std::optional<HeldFrame> held_;
  int heldFlakes_ = 0;
  guint beat_ = 0;
};
