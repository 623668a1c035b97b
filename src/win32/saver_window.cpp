#include "win32/saver_window.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "core/beat.h"
#include "core/flakes.h"
#include "core/monitors.h"
#include "core/user_input.h"
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
// GUID_CONSOLE_DISPLAY_STATE (Windows 8 on): the console display is off (0),
// on (1) or dimmed (2). GUID_MONITOR_POWER_ON (before): off (0) or on (1).
constexpr GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr GUID kMonitorPowerOn = {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};

void announceScreenSaver(bool running) {
  ::SystemParametersInfoA(kSpiSetScreenSaverRunning, running ? TRUE : FALSE, nullptr, 0);
}

DWORD lastInputTime() {
  LASTINPUTINFO info{sizeof info, 0};
  return ::GetLastInputInfo(&info) ? info.dwTime : 0;
}

// The keyboards' raw input, for keys that go to another program while the
// saver lacks the foreground (RIDEV_INPUTSINK); window null stops it.
bool hearKeyboards(HWND window) {
  const RAWINPUTDEVICE keyboards{0x01, 0x06, window != nullptr ? DWORD{RIDEV_INPUTSINK} : DWORD{RIDEV_REMOVE},
                                 window};  // generic desktop page, keyboard
  return ::RegisterRawInputDevices(&keyboards, 1, sizeof keyboards) != FALSE;
}

// A key pressed (not released) in raw input.
bool isKeyPress(LPARAM rawInput) {
  RAWINPUT input{};
  UINT size = sizeof input;
  const UINT read = ::GetRawInputData(reinterpret_cast<HRAWINPUT>(rawInput), RID_INPUT, &input, &size,
                                      sizeof(RAWINPUTHEADER));
  return read != static_cast<UINT>(-1) && read >= sizeof(RAWINPUTHEADER) && input.header.dwType == RIM_TYPEKEYBOARD &&
         (input.data.keyboard.Flags & RI_KEY_BREAK) == 0;
}

}  // namespace

// One monitor's window and what it draws with; a null handle is not held.
// The window goes with it.
struct Saver::Window {
  Window(Saver* owner, const ScreenRect& monitor, BYTE alpha) : area(monitor) {
    window = ::CreateWindowExA(WS_EX_LAYERED, kSaverClassName, "Flindra", WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                               area.left, area.top, area.width, area.height, nullptr, nullptr,
                               ::GetModuleHandleA(nullptr), owner);
    if (window == nullptr) return;
    ::SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SetLayeredWindowAttributes(window, kSaverColorKey, alpha, LWA_ALPHA | LWA_COLORKEY);
  }
  ~Window() {
    ReleaseSurface(window, dc, rc);
    if (window != nullptr) ::DestroyWindow(window);
  }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  bool makeCurrent() const { return ::wglGetCurrentContext() == rc || ::wglMakeCurrent(dc, rc); }

  HWND window = nullptr;
  HDC dc = nullptr;
  HGLRC rc = nullptr;
  ScreenRect area;                // the monitor it covers
  int viewWidth = area.width;     // viewport, pixels
  int viewHeight = area.height;   // viewport, pixels
  FlakeField field;
};

Saver::Saver(SaverInput input, const Settings& settings) : input_(input), settings_(settings) {}

Saver::~Saver() {
  // The loop has ended (or never ran): nothing is left to quit.
  ended_ = true;
  releaseAll();
  // The windows go with the list already empty, so none is found as ours.
  std::vector<std::unique_ptr<Window>>().swap(windows_);
}

bool Saver::Create(bool loaded) {
  RegisterWindowClass({kSaverClassName, OwnedWindowProc<Saver>, CS_OWNDC,
                       static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH))});
  loaded_ = loaded;
  for (const ScreenRect& area : SaverWindowRects()) {
    windows_.push_back(std::make_unique<Window>(this, area, alpha_));
    if (windows_.back()->window == nullptr) {
      windows_.pop_back();
      fail("The window could not be created.", "Flindra");
      return false;
    }
  }
  ::SetTimer(primaryWindow(), kFrameTimerId, kFrameIntervalMs, nullptr);
  monitorsCheckedAt_ = ::GetTickCount();
  for (const GUID* setting : {&kConsoleDisplayState, &kMonitorPowerOn}) {
    displayNotice_ = ::RegisterPowerSettingNotification(primaryWindow(), setting, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (displayNotice_ != nullptr) break;
  }
  if (!loaded) return true;

  for (const auto& w : windows_)
    if (!startDrawing(*w)) return false;
  announceScreenSaver(true);
  noticeGiven_ = true;
  return true;
}

bool Saver::startDrawing(Window& w) {
  if (const char* failure = SetupSurface(w.window, SurfaceVariant::FullScreen, w.dc, w.rc, w.viewWidth, w.viewHeight)) {
    fail(failure, "Error");
    return false;
  }
  StartField(w.field, FirstSwayStep(settings_.Speed));
  return true;
}

// Nothing can be drawn: stops the timer and the surfaces before the box, so
// nothing runs behind it, then ends.
void Saver::fail(const std::string& text, const char* caption) {
  releaseAll();
  ShowErrorBox(text, caption);
  end();
}

HWND Saver::primaryWindow() const { return windows_.empty() ? nullptr : windows_.front()->window; }

void Saver::Show(HWND frontWindow) {
  // Where the pointer is as the saver appears; without one, the first move
  // report sets it.
  pointerKnown_ = ::GetCursorPos(&pointerStart_) != FALSE;
  inputSeen_ = lastInputTime();
  if (input_ == SaverInput::AnyInputEnds) keyboardsHeard_ = hearKeyboards(primaryWindow());
  // The primary's window last, so it is the active one.
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) ::ShowWindow((*it)->window, SW_SHOW);
  // NOTE: the foreground lock can leave a new window behind the program the
  // user last worked in, which then gets the keys (tick sees them).
  ::SetForegroundWindow(primaryWindow());
  // Owned by the saver, the front window stays in front of it even when the
  // saver is clicked.
  frontWindow_ = frontWindow;
  if (frontWindow != nullptr)
    ::SetWindowLongPtrA(frontWindow, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(primaryWindow()));
}

void Saver::StepBack() {
  for (const auto& w : windows_)
    ::SetWindowPos(w->window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void Saver::tick() {
  // NOTE: the system may refuse the saver the foreground; keys then go to
  // the program in front, and only the last input time tells.
  if (input_ == SaverInput::AnyInputEnds && lastInputTime() != inputSeen_ && !owns(::GetForegroundWindow()))
    return end();
  if (::GetTickCount() - monitorsCheckedAt_ >= kMonitorCheckMs) {
    followMonitors();
    if (ended_) return;
  }
  const std::uint8_t opacity = fade_.tick(settings_.Brightness);
  if (opacity != alpha_) {
    alpha_ = opacity;
    for (const auto& w : windows_) ::SetLayeredWindowAttributes(w->window, kSaverColorKey, alpha_, LWA_ALPHA | LWA_COLORKEY);
  }
  if (displayOff_) return;  // nobody sees it; the timer and the fade go on
  for (const auto& w : windows_) {
    if (w->rc == nullptr) continue;
    if (!w->makeCurrent()) return fail("wglMakeCurrent failed", "Error");
    RECT client{};
    ::GetClientRect(w->window, &client);
    if (client.right != w->viewWidth || client.bottom != w->viewHeight) {
      w->viewWidth = client.right;
      w->viewHeight = client.bottom;
      SetupProjection(w->viewWidth, w->viewHeight, w->viewWidth, w->viewHeight);
    }
    DrawSurfaceFrame(w->dc, w->field, settings_);
  }
}

void Saver::followMonitors() {
  monitorsCheckedAt_ = ::GetTickCount();
  if (ended_ || windows_.empty()) return;
  const std::vector<ScreenRect> next = SaverWindowRects();
  std::vector<ScreenRect> current;
  for (const auto& w : windows_) current.push_back(w->area);
  if (next == current) return;

  // New windows first, while the list still holds every old one.
  const std::vector<int> kept = WindowsKeptForLayout(current, next);
  std::vector<std::unique_ptr<Window>> covering(next.size());
  for (std::size_t i = 0; i < next.size(); ++i)
    if (kept[i] < 0) covering[i] = std::make_unique<Window>(this, next[i], alpha_);
  for (std::size_t i = 0; i < next.size(); ++i) {
    if (kept[i] < 0) continue;
    covering[i] = std::move(windows_[static_cast<std::size_t>(kept[i])]);
    covering[i]->area = next[i];
  }
  // The new list before the old windows go, so their going does not end the
  // saver.
  windows_.swap(covering);
  covering.clear();
  windows_.erase(std::remove_if(windows_.begin(), windows_.end(), [](const auto& w) { return w->window == nullptr; }),
                 windows_.end());
  for (const auto& w : windows_) {
    // The primary's window follows the primary monitor; the next tick gives
    // it its new viewport.
    const ScreenRect& a = w->area;
    ::SetWindowPos(w->window, nullptr, a.left, a.top, a.width, a.height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (::IsWindowVisible(w->window)) continue;
    if (loaded_ && !startDrawing(*w)) return;
    ::ShowWindow(w->window, SW_SHOWNA);
  }
}

void Saver::end() {
  if (ended_) return;
  ended_ = true;
  releaseAll();
  ::PostQuitMessage(0);
}

void Saver::releaseAll() {
  if (primaryWindow() != nullptr) ::KillTimer(primaryWindow(), kFrameTimerId);
  if (keyboardsHeard_) hearKeyboards(nullptr);
  keyboardsHeard_ = false;
  if (displayNotice_ != nullptr) ::UnregisterPowerSettingNotification(displayNotice_);
  displayNotice_ = nullptr;
  for (const auto& w : windows_) ReleaseSurface(w->window, w->dc, w->rc);
  if (noticeGiven_) announceScreenSaver(false);
  noticeGiven_ = false;
}

bool Saver::owns(HWND window) const {
  return std::any_of(windows_.begin(), windows_.end(), [window](const auto& w) { return w->window == window; });
}

void Saver::pointerMovedTo(POINT at) {
  if (!pointerKnown_) {
    pointerKnown_ = true;
    pointerStart_ = at;
  } else if (EndsSaver(UserInput::PointerMove, at.x - pointerStart_.x, at.y - pointerStart_.y)) {
    return end();
  }
  // Jitter these windows saw is not input another program got. A key that
  // went there in the same tick, before or after the jitter, is heard as raw
  // input and ends the saver by itself.
  // NOTE: the move's own time (GetMessageTime) cannot mark what to absorb:
  // Wine stamps the moves it makes up when windows change a millisecond
  // before the last input time they set, and a key just before the move
  // leaves no time of its own to compare.
  inputSeen_ = lastInputTime();
}

LRESULT Saver::handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const bool anyInputEnds = input_ == SaverInput::AnyInputEnds;
  // Full screen, the inputs the core says end a saver do.
  const auto endOn = [this, anyInputEnds](UserInput input) {
    if (anyInputEnds && EndsSaver(input)) end();
  };
  switch (message) {
    case WM_TIMER:
      if (wParam != kFrameTimerId) break;
      if (!ended_) tick();
      return 0;
    case WM_SIZE:
      // The camera follows the new shape at once; the viewport on the next tick.
      for (const auto& w : windows_)
        if (w->window == window && w->rc != nullptr && w->makeCurrent())
          SetupProjection(w->viewWidth, w->viewHeight, LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (wParam == VK_ESCAPE) {
        end();
      } else {
        endOn(UserInput::Key);
      }
      if (message == WM_KEYDOWN) return 0;
      break;  // the system still gets Alt+F4 and the menu keys
    case WM_INPUT:
      // A key, wherever it went.
      if (isKeyPress(lParam)) endOn(UserInput::Key);
      break;  // the system frees the input
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
      endOn(UserInput::Button);
      return message == WM_XBUTTONDOWN ? TRUE : 0;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
      endOn(UserInput::Wheel);
      return 0;
    case WM_ACTIVATEAPP:
      // Another program took the desktop: the saver is no longer what the
      // user sees.
      if (wParam == FALSE && anyInputEnds) end();
      break;
    case WM_ACTIVATE:
      // HACK: Wine raises an owner above the window it owns when the owner
      // is clicked; Windows keeps the owned dialog in front.
      if (LOWORD(wParam) != WA_INACTIVE && frontWindow_ != nullptr) ::PostMessageA(window, kBringDialogToFront, 0, 0);
      break;
    case kBringDialogToFront:
      if (frontWindow_ != nullptr && ::IsWindow(frontWindow_))
        ::SetWindowPos(frontWindow_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      return 0;
    case WM_POWERBROADCAST:
      if (wParam == PBT_POWERSETTINGCHANGE) {
        const auto* change = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
        if (change != nullptr && change->DataLength >= sizeof(DWORD) &&
            (::IsEqualGUID(change->PowerSetting, kConsoleDisplayState) ||
             ::IsEqualGUID(change->PowerSetting, kMonitorPowerOn)))
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
      end();
      return 0;
    case WM_DESTROY:
      // One of ours going unasked (a window of a vanished monitor is taken
      // off the list first).
      if (owns(window)) end();
      return 0;
    default:
      break;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

void RunSaver() {
  Settings settings;
  const bool loaded = LoadStoredSettings(settings);
  Saver saver(SaverInput::AnyInputEnds, settings);
  if (!saver.Create(loaded)) return;
  saver.Show();
  RunMessageLoop();
}
