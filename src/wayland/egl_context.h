// One desktop OpenGL compatibility context through EGL on the Wayland
// platform (the core draws with GL 1.1), shared by a window surface per
// saver surface. Each surface's pixels carry alpha, premultiplied, so the
// compositor blends the fade over the desktop.
#pragma once

#include <EGL/egl.h>
#include <wayland-client.h>
#include <wayland-egl.h>

#include <string>

struct EglContext {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLConfig config = nullptr;
  EGLContext context = EGL_NO_CONTEXT;
};

// The context, or a line saying why there is none.
bool OpenEglContext(wl_display* display, EglContext& egl, std::string& why);
void CloseEglContext(EglContext& egl);

// A wl_surface's EGL window; width and height in buffer pixels.
struct EglWindow {
  wl_egl_window* window = nullptr;
  EGLSurface surface = EGL_NO_SURFACE;
  int width = 0;
  int height = 0;
};

// Makes the window (once) or follows a new size, and makes it current.
// False when EGL refuses.
bool MakeWindowCurrent(const EglContext& egl, wl_surface* surface, int width, int height, EglWindow& window);
void CloseEglWindow(const EglContext& egl, EglWindow& window);
