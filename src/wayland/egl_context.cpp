#include "wayland/egl_context.h"

#include <EGL/eglext.h>

#include <cstdio>

std::string EglRefused(const char* what) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
  return std::string("EGL refused ") + what + " (EGL error " + code + ")";
}

bool OpenEglContext(wl_display* display, EglContext& egl, std::string& why) {
  return OpenEglContext(eglGetPlatformDisplay(EGL_PLATFORM_WAYLAND_KHR, display, nullptr), EGL_WINDOW_BIT, egl, why);
}

bool OpenEglContext(EGLDisplay display, EGLint surfaceType, EglContext& egl, std::string& why) {
  egl.display = display;
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) {
    why = EglRefused("a display");
    return false;
  }
  const EGLenum api = eglQueryAPI();
  const bool bound = eglBindAPI(EGL_OPENGL_API) == EGL_TRUE;
  // Alpha for the fade over the desktop, depth for the flakes' depth test.
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, surfaceType, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
                                     EGL_DEPTH_SIZE, 16, EGL_NONE};
  const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                      EGL_NONE};
  EGLint found = 0;
  if (bound && eglChooseConfig(display, configAttributes, &egl.config, 1, &found) && found != 0)
    egl.context = eglCreateContext(display, egl.config, EGL_NO_CONTEXT, contextAttributes);
  if (!bound) why = EglRefused("desktop OpenGL");
  else if (found == 0) why = EglRefused("a configuration with desktop OpenGL, 8-bit RGBA and depth");
  else if (egl.context == EGL_NO_CONTEXT) why = EglRefused("a compatibility-profile context");
  eglBindAPI(api);
  return egl.context != EGL_NO_CONTEXT;
}

void CloseEglContext(EglContext& egl) {
  if (egl.display == EGL_NO_DISPLAY) return;
  if (egl.context != EGL_NO_CONTEXT) {
    if (eglGetCurrentContext() == egl.context)
      eglMakeCurrent(egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(egl.display, egl.context);
  }
  // NOTE: no eglTerminate: Mesa 22 then unloads its driver with two of the
  // driver's allocations still held (reported as leaks nobody can name), and
  // the display may be a toolkit's too. The thread's own EGL state goes
  // unless another context (the toolkit's) is current on it.
  if (eglGetCurrentContext() == EGL_NO_CONTEXT) eglReleaseThread();
  egl = EglContext{};
}

bool MakeWindowCurrent(const EglContext& egl, wl_surface* surface, int width, int height, EglWindow& window) {
  if (window.window == nullptr) {
    window.window = wl_egl_window_create(surface, width, height);
    if (window.window == nullptr) return false;
    window.surface = eglCreatePlatformWindowSurface(egl.display, egl.config, window.window, nullptr);
    if (window.surface == EGL_NO_SURFACE) return false;
    if (!eglMakeCurrent(egl.display, window.surface, window.surface, egl.context)) return false;
    // The beat paces the frames, and a hidden surface's swap must not wait
    // for a frame the compositor will never ask for.
    eglSwapInterval(egl.display, 0);
  } else if (width != window.width || height != window.height) {
    wl_egl_window_resize(window.window, width, height, 0, 0);
  }
  window.width = width;
  window.height = height;
  return eglMakeCurrent(egl.display, window.surface, window.surface, egl.context) == EGL_TRUE;
}

void CloseEglWindow(const EglContext& egl, EglWindow& window) {
  if (window.surface != EGL_NO_SURFACE) {
    if (eglGetCurrentSurface(EGL_DRAW) == window.surface)
      eglMakeCurrent(egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroySurface(egl.display, window.surface);
  }
  if (window.window != nullptr) wl_egl_window_destroy(window.window);
  window = EglWindow{};
}
