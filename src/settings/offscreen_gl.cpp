#include "settings/offscreen_gl.h"

#include <EGL/eglext.h>

#include <cstdio>
#include <cstring>

#include "core/gl.h"

OffscreenGl::~OffscreenGl() {
  if (display_ == EGL_NO_DISPLAY) return;
  if (context_ != EGL_NO_CONTEXT) eglDestroyContext(display_, context_);
  if (surface_ != EGL_NO_SURFACE) eglDestroySurface(display_, surface_);
  // NOTE: no eglTerminate, as in the saver: Mesa 22 then unloads its driver
  // with allocations still held, and the process is ending.
}

bool OffscreenGl::open(int width, int height, std::string& why) {
  const auto refused = [&why](const char* what) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
    why = std::string(what) + " refused (EGL error " + code + ")";
    return false;
  };
  display_ = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, nullptr, nullptr))
    return refused("EGL's surfaceless platform");
  if (!eglBindAPI(EGL_OPENGL_API)) return refused("desktop OpenGL through EGL");
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
                                     EGL_DEPTH_SIZE, 16, EGL_NONE};
  EGLConfig config = nullptr;
  EGLint found = 0;
  if (!eglChooseConfig(display_, configAttributes, &config, 1, &found) || found == 0)
    return refused("an offscreen configuration with desktop OpenGL");
  const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  surface_ = eglCreatePbufferSurface(display_, config, size);
  if (surface_ == EGL_NO_SURFACE) return refused("a pbuffer");
  const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                      EGL_NONE};
  context_ = eglCreateContext(display_, config, EGL_NO_CONTEXT, contextAttributes);
  if (context_ == EGL_NO_CONTEXT) return refused("a compatibility-profile context");
  width_ = width;
  height_ = height;
  return true;
}

bool OffscreenGl::begin() {
  savedDisplay_ = eglGetCurrentDisplay();
  savedDraw_ = eglGetCurrentSurface(EGL_DRAW);
  savedRead_ = eglGetCurrentSurface(EGL_READ);
  savedContext_ = eglGetCurrentContext();
  return eglMakeCurrent(display_, surface_, surface_, context_) == EGL_TRUE;
}

// HACK: GDK remembers which of its contexts it made current and skips
// making it current again; so the toolkit's is put back as it was.
void OffscreenGl::end() {
  if (savedContext_ != EGL_NO_CONTEXT) eglMakeCurrent(savedDisplay_, savedDraw_, savedRead_, savedContext_);
  else eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

std::vector<std::uint8_t> OffscreenGl::readBgra() const {
  const std::size_t row = static_cast<std::size_t>(width_) * 4;
  std::vector<std::uint8_t> bottomUp(row * static_cast<std::size_t>(height_)), rows(bottomUp.size());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_BYTE, bottomUp.data());
  for (int y = 0; y < height_; ++y)
    std::memcpy(&rows[static_cast<std::size_t>(y) * row],
                &bottomUp[static_cast<std::size_t>(height_ - 1 - y) * row], row);
  return rows;
}
