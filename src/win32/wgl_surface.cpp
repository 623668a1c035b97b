#include "win32/wgl_surface.h"

#include "core/scene.h"

int ScreenBitsPerPixel() {
  HDC screen = ::GetDC(nullptr);
  const int bits = ::GetDeviceCaps(screen, BITSPIXEL);
  ::ReleaseDC(nullptr, screen);
  return bits;
}

namespace {

void showSetupError(const char* text) { ::MessageBoxA(nullptr, text, "Error", MB_OK); }

}  // namespace

PIXELFORMATDESCRIPTOR PixelFormatRequest(int screenBitsPerPixel, SurfaceVariant variant) {
  PIXELFORMATDESCRIPTOR pfd{};
  const auto colorBits = static_cast<BYTE>(screenBitsPerPixel & 0xFF);
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = colorBits;
  pfd.cDepthBits = variant == SurfaceVariant::FullScreen ? colorBits : BYTE{16};
  pfd.iLayerType = PFD_MAIN_PLANE;
  return pfd;
}

bool SetupPixelFormat(HDC dc, SurfaceVariant variant) {
  const PIXELFORMATDESCRIPTOR pfd = PixelFormatRequest(ScreenBitsPerPixel(), variant);
  const int index = ::ChoosePixelFormat(dc, &pfd);
  if (index == 0) {
    showSetupError("ChoosePixelFormat failed");
    return false;
  }
  if (!::SetPixelFormat(dc, index, &pfd)) {
    showSetupError("SetPixelFormat failed");
    return false;
  }
  return true;
}

bool SetupSurface(HWND window, SurfaceVariant variant, HDC& dc, HGLRC& rc, int viewWidth, int viewHeight,
                  int aspectWidth, int aspectHeight) {
  dc = ::GetDC(window);
  if (!SetupPixelFormat(dc, variant)) return false;
  rc = ::wglCreateContext(dc);
  ::wglMakeCurrent(dc, rc);
  SetupScene(viewWidth, viewHeight, aspectWidth, aspectHeight);
  return true;
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
