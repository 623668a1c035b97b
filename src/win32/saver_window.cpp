#include "win32/saver_window.h"

#include <windowsx.h>

#include <cstdlib>

#include "core/fade.h"
#include "core/scene.h"
#include "win32/monitors.h"
#include "win32/registry_settings.h"
#include "win32/wgl_surface.h"

namespace {

constexpr UINT kSpiSetScreenSaverRunning = 97;
constexpr int kProgramIcon = 1;  // resource id of the program icon

void announceScreenSaver(bool running) {
  ::SystemParametersInfoA(kSpiSetScreenSaverRunning, running ? TRUE : FALSE, nullptr, 0);
}

void registerSaverClass(WNDPROC proc) {
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  if (::GetClassInfoExA(instance, kSaverClassName, &wc)) return;
  wc.style = CS_OWNDC;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hIcon = ::LoadIconA(instance, MAKEINTRESOURCEA(kProgramIcon));
  wc.hIconSm = wc.hIcon;
  wc.hCursor = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kSaverClassName;
  ::RegisterClassExA(&wc);
}

void makeCurrent(const SaverWindow& w) {
  if (::wglGetCurrentContext() != w.rc) ::wglMakeCurrent(w.dc, w.rc);
}

}  // namespace

Saver::~Saver() {
  // The loop has ended (or never ran): nothing is left to quit.
  ended_ = true;
  releaseAll();
  for (SaverWindow& w : windows)
    if (w.window != nullptr) ::DestroyWindow(w.window);
}

bool Saver::Create(bool loaded) {
  registerSaverClass(windowProc);
  for (const RECT& area : SaverWindowRects()) {
    SaverWindow& w = windows.emplace_back();
    w.viewWidth = area.right - area.left;
    w.viewHeight = area.bottom - area.top;
    w.window = ::CreateWindowExA(WS_EX_LAYERED, kSaverClassName, "Flindra", WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                                 area.left, area.top, w.viewWidth, w.viewHeight, nullptr, nullptr,
                                 ::GetModuleHandleA(nullptr), this);
    if (w.window == nullptr) {
      ShowErrorBox("The window could not be created.");
      End();
      return false;
    }
    ::SetWindowPos(w.window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SetLayeredWindowAttributes(w.window, kSaverColorKey, alpha, LWA_ALPHA | LWA_COLORKEY);
  }
  ::SetTimer(primaryWindow(), kFrameTimerId, kFrameIntervalMs, nullptr);
  if (!loaded) return true;

  for (SaverWindow& w : windows) {
    // A pixel format that fails has been reported; nothing can be drawn.
    if (!SetupSurface(w.window, SurfaceVariant::FullScreen, w.dc, w.rc, w.viewWidth, w.viewHeight, w.viewWidth,
                      w.viewHeight)) {
      End();
      return false;
    }
    SeedFlakeTable(*w.field);
    w.field->SwayStep = FirstSwayStep(settings.Fast);
  }
  announceScreenSaver(true);
  noticeGiven_ = true;
  return true;
}

void Saver::Show() {
  // Where the pointer is as the saver appears; without one, the first move
  // report sets it.
  pointerKnown_ = ::GetCursorPos(&pointerStart_) != FALSE;
  // The primary's window last, so it is the active one.
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) ::ShowWindow(it->window, SW_SHOW);
}

void Saver::Tick() {
  for (SaverWindow& w : windows) {
    RECT client{};
    ::GetClientRect(w.window, &client);
    if (client.right == w.viewWidth && client.bottom == w.viewHeight) continue;
    w.viewWidth = client.right;
    w.viewHeight = client.bottom;
    if (w.rc == nullptr) continue;
    makeCurrent(w);
    SetupProjection(w.viewWidth, w.viewHeight, w.viewWidth, w.viewHeight);
  }
  fadeLevel = NextFadeLevel(fadeLevel);
  const std::uint8_t opacity = OpacityByte(settings.Bright, fadeLevel);
  if (opacity != alpha) {
    alpha = opacity;
    for (const SaverWindow& w : windows)
      ::SetLayeredWindowAttributes(w.window, kSaverColorKey, alpha, LWA_ALPHA | LWA_COLORKEY);
  }
  for (SaverWindow& w : windows) {
    if (w.rc == nullptr) continue;
    makeCurrent(w);
    DrawSurfaceFrame(w.dc, *w.field, settings);
  }
}

void Saver::End() {
  if (ended_) return;
  ended_ = true;
  releaseAll();
  ::PostQuitMessage(0);
}

void Saver::releaseAll() {
  if (primaryWindow() != nullptr) ::KillTimer(primaryWindow(), kFrameTimerId);
  for (SaverWindow& w : windows) ReleaseSurface(w.window, w.dc, w.rc);
  if (noticeGiven_) announceScreenSaver(false);
  noticeGiven_ = false;
}

void Saver::pointerMovedTo(POINT at) {
  if (!pointerKnown_) {
    pointerKnown_ = true;
    pointerStart_ = at;
    return;
  }
  if (std::abs(at.x - pointerStart_.x) > kPointerSlack || std::abs(at.y - pointerStart_.y) > kPointerSlack) End();
}

LRESULT CALLBACK Saver::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* saver = reinterpret_cast<Saver*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (saver == nullptr) return ::DefWindowProcA(window, message, wParam, lParam);
  return saver->handle(window, message, wParam, lParam);
}

LRESULT Saver::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const bool anyInputEnds = input_ == SaverInput::AnyInputEnds;
  switch (message) {
    case WM_TIMER:
      if (wParam != kFrameTimerId) break;
      if (!ended_) Tick();
      return 0;
    case WM_SIZE:
      // The camera follows the new shape at once; the viewport on the next tick.
      for (SaverWindow& w : windows) {
        if (w.window != window || w.rc == nullptr) continue;
        makeCurrent(w);
        SetupProjection(w.viewWidth, w.viewHeight, LOWORD(lParam), HIWORD(lParam));
      }
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (wParam == VK_ESCAPE || anyInputEnds) End();
      if (message == WM_KEYDOWN) return 0;
      break;  // the system still gets Alt+F4 and the menu keys
    case WM_MOUSEMOVE:
      if (anyInputEnds) {
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ::ClientToScreen(window, &at);
        pointerMovedTo(at);
      }
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
      if (anyInputEnds) End();
      return message == WM_XBUTTONDOWN ? TRUE : 0;
    case WM_DPICHANGED:
      // NOTE: a saver window covers its monitor in physical pixels whatever
      // the scale; the system's suggested rectangle would not.
      return 0;
    case WM_DISPLAYCHANGE:
      // Monitors came, went or moved: end rather than leave a window on a
      // monitor that is gone or a new one uncovered.
    case WM_CLOSE:
    case WM_DESTROY:
      End();
      return 0;
    case WM_NCDESTROY:
      ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      break;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

bool StartSaver(Saver& saver) {
  const bool loaded = LoadStoredSettings(saver.settings);
  if (!saver.Create(loaded)) return false;
  saver.Show();
  return true;
}

void RunSaver() {
  Saver saver(SaverInput::AnyInputEnds);
  if (StartSaver(saver)) RunMessageLoop(nullptr);
}

void RunMessageLoop(HWND dialog) {
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (dialog != nullptr && ::IsDialogMessageA(dialog, &message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
}
