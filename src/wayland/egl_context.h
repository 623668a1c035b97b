// One desktop OpenGL compatibility context through EGL (the core draws with
// GL 1.1), with 8-bit RGBA and a 16-bit depth buffer: shared by a window
// surface per saver surface, and the settings window's preview. Each
// window's pixels carry alpha, premultiplied, so the compositor blends the
// fade over the desktop.
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

// "EGL refused WHAT (EGL error 0x....)", with EGL's last error.
std::string EglRefused(const char* what);

// The context for window surfaces on a Wayland connection, or a line
// saying why there is none (EglRefused's).
bool OpenEglContext(wl_display* display, EglContext& egl, std::string& why);
// The same on any EGL display, for surfaces of surfaceType
// (EGL_WINDOW_BIT, EGL_PBUFFER_BIT). The API bound on the thread (a
// toolkit's) is bound again afterwards.
bool OpenEglContext(EGLDisplay display, EGLint surfaceType, EglContext& egl, std::string& why);
// Lets the context go, made not current first if it is; the display stays
// (it may be a toolkit's too).
void CloseEglContext(EglContext& egl);

// A wl_surface's EGL window; width and height in buffer pixels.
struct EglWindow {
  wl_egl_window* window = nullptr;
  EGLSurface surface = EGL_NO_SURFACE;
  int width = 0;
  int height = 0;
};

// Makes the window (once) or follows a new size, and makes it current.
// Its swaps never wait for the compositor. False when EGL refuses.
bool MakeWindowCurrent(const EglContext& egl, wl_surface* surface, int width, int height, EglWindow& window);
void CloseEglWindow(const EglContext& egl, EglWindow& window);
