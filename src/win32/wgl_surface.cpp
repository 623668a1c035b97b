#include "win32/wgl_surface.h"

#include "core/scene.h"

int ScreenBitsPerPixel() {
  HDC screen = ::GetDC(nullptr);
  const int bits = ::GetDeviceCaps(screen, BITSPIXEL);
  ::ReleaseDC(nullptr, screen);
  return bits;
}

namespace {

// Presents at once where the driver offers the choice.
void swapWithoutWaiting() {
  using SwapIntervalCall = BOOL(WINAPI*)(int);
  const auto swapInterval =
      reinterpret_cast<SwapIntervalCall>(reinterpret_cast<void*>(::wglGetProcAddress("wglSwapIntervalEXT")));
  if (swapInterval != nullptr) swapInterval(0);
}

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

const char* SetupPixelFormat(HDC dc, SurfaceVariant variant) {
  const PIXELFORMATDESCRIPTOR pfd = PixelFormatRequest(ScreenBitsPerPixel(), variant);
  const int index = ::ChoosePixelFormat(dc, &pfd);
  if (index == 0) return "ChoosePixelFormat failed";
  if (!::SetPixelFormat(dc, index, &pfd)) return "SetPixelFormat failed";
  return nullptr;
}

const char* CreateCurrentContext(HDC dc, HGLRC& rc) {
  rc = ::wglCreateContext(dc);
  if (rc == nullptr) return "wglCreateContext failed";
  if (!::wglMakeCurrent(dc, rc)) return "wglMakeCurrent failed";
  return nullptr;
}

const char* SetupSurface(HWND window, SurfaceVariant variant, HDC& dc, HGLRC& rc, int viewWidth, int viewHeight,
                         int aspectWidth, int aspectHeight) {
  dc = ::GetDC(window);
  if (dc == nullptr) return "GetDC failed";
  if (const char* failure = SetupPixelFormat(dc, variant)) return failure;
  if (const char* failure = CreateCurrentContext(dc, rc)) return failure;
  if (variant == SurfaceVariant::FullScreen) swapWithoutWaiting();
  SetupScene(viewWidth, viewHeight, aspectWidth, aspectHeight);
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
