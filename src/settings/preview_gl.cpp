#include "settings/preview_gl.h"

#include <EGL/eglext.h>
#include <gdk/gdk.h>

#include <cstdio>
#include <cstring>

#include "core/gl.h"

namespace {

// why: "EGL refused WHAT (EGL error 0x....)".
bool refused(const char* what, std::string& why) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
  why = std::string("EGL refused ") + what + " (EGL error " + code + ")";
  return false;
}

}  // namespace

PreviewGl::~PreviewGl() {
  if (display_ == EGL_NO_DISPLAY) return;
  if (eglGetCurrentContext() == context_) eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (context_ != EGL_NO_CONTEXT) eglDestroyContext(display_, context_);
  if (surface_ != EGL_NO_SURFACE) eglDestroySurface(display_, surface_);
  if (window_ != nullptr) wl_egl_window_destroy(window_);
  // NOTE: no eglTerminate: on Wayland the display is the toolkit's too, and
  // Mesa 22 unloads its driver with allocations still held.
}

// Binds desktop GL for the call and puts back the API that was bound.
bool PreviewGl::openContext(EGLDisplay display, EGLint surfaceType, std::string& why) {
  display_ = display;
  if (display_ == EGL_NO_DISPLAY || !eglInitialize(display_, nullptr, nullptr)) return refused("a display", why);
  const EGLenum api = eglQueryAPI();
  const bool bound = eglBindAPI(EGL_OPENGL_API) == EGL_TRUE;
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, surfaceType, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
                                     EGL_DEPTH_SIZE, 16, EGL_NONE};
  const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                      EGL_NONE};
  EGLint found = 0;
  if (bound && eglChooseConfig(display_, configAttributes, &config_, 1, &found) && found != 0)
    context_ = eglCreateContext(display_, config_, EGL_NO_CONTEXT, contextAttributes);
  eglBindAPI(api);
  if (!bound) return refused("desktop OpenGL", why);
  if (found == 0) return refused("a configuration with desktop OpenGL, 8-bit RGBA and depth", why);
  if (context_ == EGL_NO_CONTEXT) return refused("a compatibility-profile context", why);
  return true;
}

bool PreviewGl::openOnSurface(wl_display* display, wl_surface* surface, int width, int height, std::string& why) {
  if (!openContext(eglGetPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, display, nullptr), EGL_WINDOW_BIT, why))
    return false;
  window_ = wl_egl_window_create(surface, width, height);
  if (window_ == nullptr) return refused("a Wayland window", why);
  surface_ = eglCreatePlatformWindowSurface(display_, config_, window_, nullptr);
  if (surface_ == EGL_NO_SURFACE) return refused("a window surface", why);
  width_ = width;
  height_ = height;
  if (!begin()) return refused("the preview's context", why);
  // The beat paces the frames: a swap never waits for the compositor,
  // which would hold up the whole window.
  eglSwapInterval(display_, 0);
  end();
  return true;
}

bool PreviewGl::openOffscreen(int width, int height, std::string& why) {
  if (!openContext(eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr),
                   EGL_PBUFFER_BIT, why))
    return false;
  const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  surface_ = eglCreatePbufferSurface(display_, config_, size);
  if (surface_ == EGL_NO_SURFACE) return refused("a pbuffer", why);
  width_ = width;
  height_ = height;
  return true;
}

void PreviewGl::resize(int width, int height) {
  if (window_ == nullptr || (width == width_ && height == height_)) return;
  wl_egl_window_resize(window_, width, height, 0, 0);
  width_ = width;
  height_ = height;
}

// GTK's own context is let go first (on X11 a GLX one, which no EGL
// context may replace in the same thread); GTK makes it current again when
// it next draws.
bool PreviewGl::begin() {
  gdk_gl_context_clear_current();
  return eglMakeCurrent(display_, surface_, surface_, context_) == EGL_TRUE;
}

void PreviewGl::end() { eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT); }

void PreviewGl::swap() { eglSwapBuffers(display_, surface_); }

std::vector<std::uint8_t> PreviewGl::readBgra() const {
  const std::size_t row = static_cast<std::size_t>(width_) * 4;
  std::vector<std::uint8_t> bottomUp(row * static_cast<std::size_t>(height_)), rows(bottomUp.size());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width_, height_, GL_BGRA, GL_UNSIGNED_BYTE, bottomUp.data());
  for (int y = 0; y < height_; ++y)
    std::memcpy(&rows[static_cast<std::size_t>(y) * row],
                &bottomUp[static_cast<std::size_t>(height_ - 1 - y) * row], row);
  return rows;
}
