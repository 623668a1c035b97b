#include "win32/newer_calls.h"

namespace {

// A user32 function by name, or null where this Windows lacks it.
template <class Function>
Function user32Function(const char* name) {
  const HMODULE user32 = ::GetModuleHandleA("user32.dll");
  return user32 != nullptr ? FunctionFrom<Function>(::GetProcAddress(user32, name)) : nullptr;
}

}  // namespace

int WindowDpi(HWND window) {
  using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = user32Function<GetDpiForWindowCall>("GetDpiForWindow");
  if (getDpiForWindow != nullptr) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  const HDC screen = ::GetDC(nullptr);
  const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

FrameInsets FrameAround(DWORD style, DWORD exStyle, int dpi) {
  using AdjustForDpiCall = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  static const auto adjustForDpi = user32Function<AdjustForDpiCall>("AdjustWindowRectExForDpi");
  RECT r{0, 0, 0, 0};
  const bool adjusted = adjustForDpi != nullptr ? adjustForDpi(&r, style, FALSE, exStyle, static_cast<UINT>(dpi)) != FALSE
                                                : ::AdjustWindowRectEx(&r, style, FALSE, exStyle) != FALSE;
  if (!adjusted) return FrameInsets{0, 0, 0, 0};
  return FrameInsets{-r.left, -r.top, r.right, r.bottom};
}
