// The preview's own desktop OpenGL compatibility context (the core draws
// with GL 1.1), apart from the toolkit's GL. It draws either on a Wayland
// surface of its own (shown by the compositor, nothing copied) or into an
// offscreen pbuffer read back each frame, where the window is not on
// Wayland.
#pragma once

#include <EGL/egl.h>
#include <wayland-client.h>
#include <wayland-egl.h>

#include <cstdint>
#include <string>
#include <vector>

class PreviewGl {
 public:
  PreviewGl() = default;
  ~PreviewGl();
  PreviewGl(const PreviewGl&) = delete;
  PreviewGl& operator=(const PreviewGl&) = delete;

  // Buffers of width x height pixels with 8-bit RGBA and a 16-bit depth
  // buffer, as the saver's surfaces have; false with why set when EGL
  // refuses. On surface: frames are shown by swap(). Offscreen: read by
  // readBgra().
  bool openOnSurface(wl_display* display, wl_surface* surface, int width, int height, std::string& why);
  bool openOffscreen(int width, int height, std::string& why);
  // A new size for the surface's next frame (pixels).
  void resize(int width, int height);
  // Makes this context current until the matching end().
  bool begin();
  void end();
  // Shows the frame drawn on the surface; never waits for the compositor.
  void swap();
  // The frame drawn offscreen, as rows of blue, green, red and alpha bytes,
  // top row first (what GDK and Mesa both hold natively: no conversion).
  std::vector<std::uint8_t> readBgra() const;

  int width() const { return width_; }
  int height() const { return height_; }

 private:
  bool openContext(EGLDisplay display, EGLint surfaceType, std::string& why);

  EGLDisplay display_ = EGL_NO_DISPLAY;
  EGLConfig config_ = nullptr;
  EGLContext context_ = EGL_NO_CONTEXT;
  EGLSurface surface_ = EGL_NO_SURFACE;
  wl_egl_window* window_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};
