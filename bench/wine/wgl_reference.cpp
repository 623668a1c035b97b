// The floor for the whole-process figures: a minimal WGL program issuing the
// saver's frame calls with no model, forms or settings around them.
//   wgl_reference.exe /s         full-screen layered popup, a frame per 31 ms tick
//   wgl_reference.exe /p HWND    child of HWND, surface built and released per frame
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/flakes.h"
#include "core/gl.h"
#include "reference_frame.h"

namespace {

bool preview = false;
HDC keptDC = nullptr;
bool shown = false;  // full screen: the first tick has raised the opacity

void setupPixelFormat(HDC dc, BYTE depthBits) {
  HDC screen = ::GetDC(nullptr);
  const auto bits = static_cast<BYTE>(::GetDeviceCaps(screen, BITSPIXEL));
  ::ReleaseDC(nullptr, screen);
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.cColorBits = bits;
  pfd.cDepthBits = depthBits ? depthBits : bits;
  ::SetPixelFormat(dc, ::ChoosePixelFormat(dc, &pfd), &pfd);
}

void previewFrame(HWND window) {
  RECT r;
  ::GetClientRect(window, &r);
  HDC dc = ::GetDC(window);
  setupPixelFormat(dc, 16);
  HGLRC rc = ::wglCreateContext(dc);
  ::wglMakeCurrent(dc, rc);
  SetupReferenceScene(r.right, r.bottom);
  DrawReferenceFrame();
  ::SwapBuffers(dc);
  ::wglMakeCurrent(dc, nullptr);
  ::wglDeleteContext(rc);
  ::ReleaseDC(window, dc);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_TIMER:
      if (preview) {
        ::InvalidateRect(window, nullptr, FALSE);
      } else {
        // As the saver: the first tick makes the window visible, then draws.
        if (!shown) ::SetLayeredWindowAttributes(window, 0x1FFFFFFF, 255, LWA_ALPHA | LWA_COLORKEY);
        shown = true;
        DrawReferenceFrame();
        ::SwapBuffers(keptDC);
      }
      return 0;
    case WM_PAINT:
      if (preview) previewFrame(window);
      ::ValidateRect(window, nullptr);
      return 0;
    case WM_KEYDOWN:
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return ::DefWindowProcA(window, message, w, l);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  preview = std::strstr(commandLine, "/p") != nullptr;
  const auto field = std::make_unique<FlakeField>();
  SeedFlakeTable(*field, 1);
  PrepareReferenceFrame(*field);

  WNDCLASSA wc{};
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance;
  wc.lpszClassName = "FlindraReference";
  ::RegisterClassA(&wc);

  HWND window;
  if (preview) {
    const char* handle = std::strstr(commandLine, "/p") + 2;
    HWND parent = reinterpret_cast<HWND>(static_cast<INT_PTR>(std::strtol(handle, nullptr, 0)));
    RECT r{0, 0, 152, 112};
    ::GetWindowRect(parent, &r);
    window = ::CreateWindowExA(0, "FlindraReference", "reference", WS_CHILD | WS_VISIBLE | WS_DISABLED, 0, 0,
                               r.right - r.left, r.bottom - r.top, parent, nullptr, instance, nullptr);
  } else {
    const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    // Shown once its surface is set up, as the saver does.
    window = ::CreateWindowExA(WS_EX_LAYERED | WS_EX_TOPMOST, "FlindraReference", "reference", WS_POPUP, 0, 0, width,
                               height, nullptr, nullptr, instance, nullptr);
    // The saver's layered attributes: colour key 0x1FFFFFFF, invisible until
    // the first tick, then at full fade (alpha 255).
    ::SetLayeredWindowAttributes(window, 0x1FFFFFFF, 0, LWA_ALPHA | LWA_COLORKEY);
    keptDC = ::GetDC(window);
    setupPixelFormat(keptDC, 0);
    ::wglMakeCurrent(keptDC, ::wglCreateContext(keptDC));
    SetupReferenceScene(width, height);
    ::ShowWindow(window, SW_SHOW);
  }
  ::SetTimer(window, 1, 31, nullptr);
  MSG msg;
  while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
  return 0;
}
