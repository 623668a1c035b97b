// The live preview: the saver's own frame, drawn by the core offscreen at
// the picture's size, read back each beat into a texture
// the picture shows. The flakes fall as in the saver; FLINDRA_HELD_FRAME
// holds one frame, drawn again whenever the settings change.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <optional>
#include <string>

#include "core/flakes.h"
#include "posix/held_frame.h"
#include "settings/frame_paintable.h"
#include "settings/offscreen_gl.h"

class FlakePreview {
 public:
  // Shows the preview in picture, width x height pixels; false
  // with why set when there is no offscreen context (the window goes on
  // without it).
  bool start(GtkPicture* picture, int width, int height, const Settings& settings, std::string& why);
  ~FlakePreview();
  // The settings the next frame draws with.
  void follow(const Settings& settings);

 private:
  static gboolean onBeat(gpointer self);
  void drawFrame();

  FramePaintable* frame_ = nullptr;  // what the picture shows
  OffscreenGl gl_;
  std::unique_ptr<FlakeField> field_ = std::make_unique<FlakeField>();
  Settings settings_;
  std::optional<HeldFrame> held_;
  int heldFlakes_ = 0;
  guint beat_ = 0;
};
