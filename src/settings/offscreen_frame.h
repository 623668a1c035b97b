// Where the preview draws when the window is not on Wayland (an X11
// window): a pbuffer on EGL's surfaceless platform, with the context the
// saver's surfaces have (wayland/egl_context), read back each frame into the
// picture's texture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wayland/egl_context.h"

class OffscreenFrame {
 public:
  OffscreenFrame() = default;
  ~OffscreenFrame();
  OffscreenFrame(const OffscreenFrame&) = delete;
  OffscreenFrame& operator=(const OffscreenFrame&) = delete;

  // Opens egl on the surfaceless platform and a pbuffer of width x height
  // pixels for it; false with why set (EglRefused's line) when EGL refuses.
  // egl outlives this.
  bool open(EglContext& egl, int width, int height, std::string& why);
  bool makeCurrent() const;
  // The frame drawn, as rows of blue, green, red and alpha bytes, top row
  // first (what GDK and Mesa both hold natively: no conversion).
  std::vector<std::uint8_t> readBgra() const;

  int width() const { return width_; }
  int height() const { return height_; }

 private:
  const EglContext* egl_ = nullptr;
  EGLSurface pbuffer_ = EGL_NO_SURFACE;
  int width_ = 0;
  int height_ = 0;
};
