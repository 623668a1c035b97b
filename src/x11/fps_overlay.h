// The frame rate drawn over the picture, as XScreenSaver's own GL programs
// show it with -fps: "FPS: 31.9" in the bottom-left corner, in an X bitmap
// font turned into GL display lists.
#pragma once

#include <GL/glx.h>
#include <X11/Xlib.h>

#include "core/frame_rate.h"

class FpsOverlay {
 public:
  // Loads the font into display lists of the current context; false when
  // the server has none to give.
  bool open(Display* display);
  void close(Display* display);
  // Counts a frame at `now` (seconds); the figure shown changes once a second.
  void countFrame(double now) { rate_.countFrame(now); }
  // Draws the figure into the corner of the viewport given in GL's
  // bottom-up pixels, leaving the scene state as it found it.
  void draw(int left, int bottom, int width, int height) const;

 private:
  XFontStruct* font_ = nullptr;
  GLuint lists_ = 0;
  FrameRate rate_;
};
