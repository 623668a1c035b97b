// A desktop OpenGL compatibility context of its own (the core draws with GL
// 1.1), drawing into a pbuffer through EGL's surfaceless platform: no window
// and nothing shared with the toolkit's own GL.
#pragma once

#include <EGL/egl.h>

#include <cstdint>
#include <string>
#include <vector>

class OffscreenGl {
 public:
  OffscreenGl() = default;
  ~OffscreenGl();
  OffscreenGl(const OffscreenGl&) = delete;
  OffscreenGl& operator=(const OffscreenGl&) = delete;

  // A width x height pbuffer (pixels) with 8-bit RGBA and a 16-bit depth
  // buffer, as the saver's surfaces have; false with why set when EGL refuses.
  bool open(int width, int height, std::string& why);
  // Makes this context current until the matching end(); whatever context
  // was current before (the toolkit's) is current again after it.
  bool begin();
  void end();
  // The frame drawn, as rows of blue, green, red and alpha bytes, top row
  // first (what GDK and Mesa both hold natively: no conversion either way).
  std::vector<std::uint8_t> readBgra() const;

  int width() const { return width_; }
  int height() const { return height_; }

 private:
  EGLDisplay display_ = EGL_NO_DISPLAY;
  EGLContext context_ = EGL_NO_CONTEXT;
  EGLSurface surface_ = EGL_NO_SURFACE;
  int width_ = 0;
  int height_ = 0;
  // The context current when begin() was called.
  EGLDisplay savedDisplay_ = EGL_NO_DISPLAY;
  EGLSurface savedDraw_ = EGL_NO_SURFACE;
  EGLSurface savedRead_ = EGL_NO_SURFACE;
  EGLContext savedContext_ = EGL_NO_CONTEXT;
};
