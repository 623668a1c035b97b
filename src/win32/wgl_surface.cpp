#include "win32/wgl_surface.h"

#include "core/scene.h"
#include "win32/newer_calls.h"

namespace {

PIXELFORMATDESCRIPTOR pixelFormatRequest(SurfaceVariant variant) {
  const HDC screen = ::GetDC(nullptr);
  const auto colorBits = static_cast<BYTE>(::GetDeviceCaps(screen, BITSPIXEL) & 0xFF);
  ::ReleaseDC(nullptr, screen);
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = colorBits;
  pfd.cDepthBits = variant == SurfaceVariant::FullScreen ? colorBits : BYTE{16};
  pfd.iLayerType = PFD_MAIN_PLANE;
  return pfd;
}

// Presents at once where the driver offers the choice.
void swapWithoutWaiting() {
  const auto swapInterval = FunctionFrom<BOOL(WINAPI*)(int)>(::wglGetProcAddress("wglSwapIntervalEXT"));
  if (swapInterval != nullptr) swapInterval(0);
}

}  // namespace

const char* SetupSurface(HWND window, SurfaceVariant variant, HDC& dc, HGLRC& rc, int width, int height) {
  dc = ::GetDC(window);
  if (dc == nullptr) return "GetDC failed";
  const PIXELFORMATDESCRIPTOR pfd = pixelFormatRequest(variant);
  const int format = ::ChoosePixelFormat(dc, &pfd);
  if (format == 0) return "ChoosePixelFormat failed";
  if (!::SetPixelFormat(dc, format, &pfd)) return "SetPixelFormat failed";
  rc = ::wglCreateContext(dc);
  if (rc == nullptr) return "wglCreateContext failed";
  if (!::wglMakeCurrent(dc, rc)) return "wglMakeCurrent failed";
  if (variant == SurfaceVariant::FullScreen) swapWithoutWaiting();
  SetupScene(width, height, width, height);
  return nullptr;
}

void DrawSurfaceFrame(HDC dc, FlakeField& field, const Settings& settings) {
  DrawFrame(field, settings);
  ::SwapBuffers(dc);
}

void ReleaseSurface(HWND window, HDC& dc, HGLRC& rc) {
  if (rc != nullptr) {
    ::wglMakeCurrent(dc, nullptr);
    ::wglDeleteContext(rc);
    rc = nullptr;
  }
  if (dc != nullptr) {
    ::ReleaseDC(window, dc);
    dc = nullptr;
  }
}
