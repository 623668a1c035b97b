#include "settings/offscreen_frame.h"

#include <EGL/eglext.h>

#include <cstring>

#include "core/gl.h"

OffscreenFrame::~OffscreenFrame() {
  if (pbuffer_ == EGL_NO_SURFACE) return;
  if (eglGetCurrentSurface(EGL_DRAW) == pbuffer_)
    eglMakeCurrent(egl_->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglDestroySurface(egl_->display, pbuffer_);
}

bool OffscreenFrame::open(EglContext& egl, int width, int height, std::string& why) {
  if (!OpenEglContext(eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr),
                      EGL_PBUFFER_BIT, egl, why))
    return false;
  egl_ = &egl;
  const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  pbuffer_ = eglCreatePbufferSurface(egl.display, egl.config, size);
  if (pbuffer_ == EGL_NO_SURFACE) {
    why = EglRefused("a pbuffer");
    return false;
  }
  width_ = width;
  height_ = height;
  return true;
}

bool OffscreenFrame::makeCurrent() const {
  return eglMakeCurrent(egl_->display, pbuffer_, pbuffer_, egl_->context) == EGL_TRUE;
}

std::vector<std::uint8_t> OffscreenFrame::readBgra() const {
  const std::size_t row = static_cast<std::size_t>(width_) * 4;
  std::vector<std::uint8_t> bottomUp(row * static_cast<std::size_t>(height_)), rows(bottomUp.size());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_BYTE, bottomUp.data());
  for (int y = 0; y < height_; ++y)
    std::memcpy(&rows[static_cast<std::size_t>(y) * row],
                &bottomUp[static_cast<std::size_t>(height_ - 1 - y) * row], row);
  return rows;
}
