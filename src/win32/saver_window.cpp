#include "win32/saver_window.h"

#include <windowsx.h>

#include <cstdlib>

#include "core/fade.h"
#include "core/monitors.h"
#include "core/scene.h"
#include "win32/monitors.h"
#include "win32/registry_settings.h"
#include "win32/wgl_surface.h"
#include "win32/window_class.h"

namespace {

constexpr UINT kSpiSetScreenSaverRunning = 97;
// Posted to the saver when it was activated in settings mode: by then the
// system has finished raising it, so the dialog can go back in front.
constexpr UINT kBringDialogToFront = WM_APP + 1;
constexpr DWORD kMonitorCheckMs = 1000;  // how often a tick looks at the monitor list
// GUID_CONSOLE_DISPLAY_STATE: the console display is off (0), on (1) or dimmed (2).
constexpr GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

void announceScreenSaver(bool running) {
  ::SystemParametersInfoA(kSpiSetScreenSaverRunning, running ? TRUE : FALSE, nullptr, 0);
}

void makeCurrent(const SaverWindow& w) {
  if (::wglGetCurrentContext() != w.rc) ::wglMakeCurrent(w.dc, w.rc);
}

ScreenRect screenRect(const RECT& r) { return ScreenRect{r.left, r.top, r.right - r.left, r.bottom - r.top}; }

}  // namespace

Saver::~Saver() {
  // The loop has ended (or never ran): nothing is left to quit.
  ended_ = true;
  releaseAll();
  std::vector<SaverWindow> gone;
  gone.swap(windows);
  for (SaverWindow& w : gone)
    if (w.window != nullptr) ::DestroyWindow(w.window);
}

bool Saver::Create(bool loaded) {
  RegisterWindowClass({kSaverClassName, OwnedWindowProc<Saver>, CS_OWNDC,
                       static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH))});
  loaded_ = loaded;
  for (const RECT& area : SaverWindowRects()) {
    if (!openWindow(windows.emplace_back(), area)) {
      windows.pop_back();
      fail("The window could not be created.", "Flindra");
      return false;
    }
  }
  ::SetTimer(primaryWindow(), kFrameTimerId, kFrameIntervalMs, nullptr);
  monitorsCheckedAt_ = ::GetTickCount();
  displayNotice_ =
      ::RegisterPowerSettingNotification(primaryWindow(), &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
  if (!loaded) return true;

  for (SaverWindow& w : windows)
    if (!startDrawing(w)) return false;
  announceScreenSaver(true);
  noticeGiven_ = true;
  return true;
}

bool Saver::openWindow(SaverWindow& w, const RECT& area) {
  w.area = area;
  w.viewWidth = area.right - area.left;
  w.viewHeight = area.bottom - area.top;
  w.window = ::CreateWindowExA(WS_EX_LAYERED, kSaverClassName, "Flindra", WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                               area.left, area.top, w.viewWidth, w.viewHeight, nullptr, nullptr,
                               ::GetModuleHandleA(nullptr), this);
  if (w.window == nullptr) return false;
  ::SetWindowPos(w.window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ::SetLayeredWindowAttributes(w.window, kSaverColorKey, alpha, LWA_ALPHA | LWA_COLORKEY);
  return true;
}

bool Saver::startDrawing(SaverWindow& w) {
  if (const char* failure = SetupSurface(w.window, SurfaceVariant::FullScreen, w.dc, w.rc, w.viewWidth,
                                         w.viewHeight, w.viewWidth, w.viewHeight)) {
    fail(failure, "Error");
    return false;
  }
  StartField(*w.field, FirstSwayStep(settings.Speed));
  return true;
}

// Nothing can be drawn: stops the timer and the surfaces before the box, so
// nothing runs behind it, then ends.
void Saver::fail(const std::string& text, const char* caption) {
  releaseAll();
  ShowErrorBox(text, caption);
  End();
}

void Saver::Show() {
  // Where the pointer is as the saver appears; without one, the first move
  // report sets it.
  pointerKnown_ = ::GetCursorPos(&pointerStart_) != FALSE;
  // The primary's window last, so it is the active one.
  for (auto it = windows.rbegin(); it != windows.rend(); ++it) ::ShowWindow(it->window, SW_SHOW);
  // NOTE: the foreground lock can leave a new window behind the program the
  // user last worked in, which would then get the keys.
  ::SetForegroundWindow(primaryWindow());
}

void Saver::Tick() {
  if (::GetTickCount() - monitorsCheckedAt_ >= kMonitorCheckMs) {
    followMonitors();
    if (ended_) return;
  }
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
  const std::uint8_t opacity = fade.tick(settings.Brightness);
  if (opacity != alpha) {
    alpha = opacity;
    for (const SaverWindow& w : windows)
      ::SetLayeredWindowAttributes(w.window, kSaverColorKey, alpha, LWA_ALPHA | LWA_COLORKEY);
  }
  if (displayOff_) return;  // nobody sees it; the timer and the fade go on
  for (SaverWindow& w : windows) {
    if (w.rc == nullptr) continue;
    makeCurrent(w);
    DrawSurfaceFrame(w.dc, *w.field, settings);
  }
}

void Saver::followMonitors() {
  monitorsCheckedAt_ = ::GetTickCount();
  if (ended_ || windows.empty()) return;
  const std::vector<RECT> rects = SaverWindowRects();
  bool same = rects.size() == windows.size();
  for (std::size_t i = 0; same && i < rects.size(); ++i) same = ::EqualRect(&rects[i], &windows[i].area) != FALSE;
  if (same) return;

  std::vector<ScreenRect> current, next;
  for (const SaverWindow& w : windows) current.push_back(screenRect(w.area));
  for (const RECT& r : rects) next.push_back(screenRect(r));
  const std::vector<int> kept = WindowsKeptForLayout(current, next);

  std::vector<SaverWindow> covering;
  for (std::size_t i = 0; i < rects.size(); ++i) {
    if (kept[i] < 0) {
      covering.emplace_back();
      if (!openWindow(covering.back(), rects[i])) covering.pop_back();
      continue;
    }
    SaverWindow& old = windows[static_cast<std::size_t>(kept[i])];
    SaverWindow& w = covering.emplace_back(std::move(old));
    old.window = nullptr, old.dc = nullptr, old.rc = nullptr;
    if (!::EqualRect(&w.area, &rects[i])) {
      // The primary's window moves with the primary monitor; the next size
      // check gives it its new viewport.
      w.area = rects[i];
      ::SetWindowPos(w.window, nullptr, w.area.left, w.area.top, w.area.right - w.area.left,
                     w.area.bottom - w.area.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  // The new list first: a window that is no longer in it goes without
  // ending the saver.
  windows.swap(covering);
  for (SaverWindow& gone : covering) {
    if (gone.window == nullptr) continue;
    ReleaseSurface(gone.window, gone.dc, gone.rc);
    ::DestroyWindow(gone.window);
  }
  for (SaverWindow& w : windows) {
    if (::IsWindowVisible(w.window)) continue;
    if (loaded_ && !startDrawing(w)) return;
    ::ShowWindow(w.window, SW_SHOWNA);
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
  if (displayNotice_ != nullptr) ::UnregisterPowerSettingNotification(displayNotice_);
  displayNotice_ = nullptr;
  for (SaverWindow& w : windows) ReleaseSurface(w.window, w.dc, w.rc);
  if (noticeGiven_) announceScreenSaver(false);
  noticeGiven_ = false;
}

bool Saver::owns(HWND window) const {
  for (const SaverWindow& w : windows)
    if (w.window == window) return true;
  return false;
}

void Saver::pointerMovedTo(POINT at) {
  if (!pointerKnown_) {
    pointerKnown_ = true;
    pointerStart_ = at;
    return;
  }
  if (std::abs(at.x - pointerStart_.x) > kPointerSlack || std::abs(at.y - pointerStart_.y) > kPointerSlack) End();
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
    case WM_ACTIVATEAPP:
      // Another program took the desktop: the saver is no longer what the
      // user sees.
      if (wParam == FALSE && anyInputEnds) End();
      break;
    case WM_ACTIVATE:
      // HACK: Wine raises an owner above the window it owns when the owner
      // is clicked; Windows keeps the owned dialog in front.
      if (LOWORD(wParam) != WA_INACTIVE && frontWindow != nullptr) ::PostMessageA(window, kBringDialogToFront, 0, 0);
      break;
    case kBringDialogToFront:
      if (frontWindow != nullptr && ::IsWindow(frontWindow))
        ::SetWindowPos(frontWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      return 0;
    case WM_POWERBROADCAST:
      if (wParam == PBT_POWERSETTINGCHANGE) {
        const auto* change = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
        if (change != nullptr && ::IsEqualGUID(change->PowerSetting, kConsoleDisplayState) &&
            change->DataLength >= sizeof(DWORD))
          displayOff_ = *reinterpret_cast<const DWORD*>(change->Data) == 0;
        return TRUE;
      }
      break;
    case WM_DPICHANGED:
      // NOTE: a saver window covers its monitor in physical pixels whatever
      // the scale; the system's suggested rectangle would not.
      return 0;
    case WM_DISPLAYCHANGE:
      followMonitors();
      return 0;
    case WM_CLOSE:
      End();
      return 0;
    case WM_DESTROY:
      // One of ours going unasked (a window of a vanished monitor is taken
      // off the list first).
      if (owns(window)) End();
      return 0;
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
  if (StartSaver(saver)) RunMessageLoop();
}
