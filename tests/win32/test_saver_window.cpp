// The full-screen saver window in this process: real window, real layered
// attributes, real WGL context on Wine's OpenGL.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <thread>
#include <vector>

#include "core/fade.h"
#include "core/flakes.h"
#include "core/gl.h"
#include "saver_fixture.h"
#include "win32/preview.h"
#include "win32/wgl_surface.h"

namespace {

struct Layered {
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
};

Layered layered(HWND window) {
  Layered l;
  ::GetLayeredWindowAttributes(window, &l.key, &l.alpha, &l.flags);
  return l;
}

RECT windowRect(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return r;
}

struct Viewport {
  GLint x, y, width, height;
};

Viewport viewport() {
  GLint v[4] = {};
  glGetIntegerv(GL_VIEWPORT, v);
  return {v[0], v[1], v[2], v[3]};
}

// The aspect ratio inside the projection: perspective x look-at keeps the
// x scale f / aspect and the y scale f.
double projectedAspect() {
  GLdouble m[16] = {};
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  return m[5] / m[0];
}

class FullScreen : public SaverTest {};

TEST_F(FullScreen, WindowAsTheSystemSeesIt) {
  MessageBoxWatcher watcher;
  startSaver();
  const HWND w = saverWindow();
  ASSERT_NE(w, nullptr);

  char text[64] = {}, cls[64] = {};
  ::GetWindowTextA(w, text, sizeof text);
  ::GetClassNameA(w, cls, sizeof cls);
  EXPECT_STREQ(text, "Flindra");
  EXPECT_STREQ(cls, "TForm1");

  const auto style = static_cast<DWORD>(::GetWindowLongPtrA(w, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrA(w, GWL_EXSTYLE));
  EXPECT_NE(style & WS_POPUP, 0u);
  EXPECT_NE(style & WS_VISIBLE, 0u);
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_BORDER | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
  EXPECT_NE(exStyle & WS_EX_LAYERED, 0u);
  EXPECT_NE(exStyle & WS_EX_TOPMOST, 0u);

  // Exactly the primary monitor.
  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ASSERT_TRUE(::GetMonitorInfoA(::MonitorFromWindow(w, MONITOR_DEFAULTTONULL), &monitor));
  EXPECT_NE(monitor.dwFlags & MONITORINFOF_PRIMARY, 0u);
  const RECT r = windowRect(w);
  EXPECT_TRUE(::EqualRect(&r, &monitor.rcMonitor));
  EXPECT_EQ(r.right - r.left, cx);
  EXPECT_EQ(r.bottom - r.top, cy);
  RECT client{};
  ::GetClientRect(w, &client);
  EXPECT_EQ(client.right, cx);
  EXPECT_EQ(client.bottom, cy);

  // Shown, still fully transparent before the first tick.
  const Layered l = layered(w);
  EXPECT_EQ(l.flags, static_cast<DWORD>(LWA_ALPHA | LWA_COLORKEY));
  EXPECT_EQ(l.key, kSaverColorKey);
  EXPECT_EQ(l.alpha, 0);

  // Surface, projection and the rest of creation: a context current on
  // the window's own device context.
  EXPECT_NE(::wglGetCurrentContext(), nullptr);
  const HDC own = ::GetDC(w);
  EXPECT_EQ(::wglGetCurrentDC(), own);
  ::ReleaseDC(w, own);
  const Viewport v = viewport();
  EXPECT_EQ(v.width, cx);
  EXPECT_EQ(v.height, cy);
  EXPECT_NEAR(projectedAspect(), static_cast<double>(cx) / cy, 1e-6);
  EXPECT_TRUE(screenSaverRunningHere());
  // First run: the defaults are stored.
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{3, 10, 3, 10, 5, 0}));
  EXPECT_TRUE(watcher.boxes().empty());
  // The context presents without waiting for a refresh (Wine's WGL offers
  // WGL_EXT_swap_control), so one timer drives any number of monitors.
  using GetSwapInterval = int(WINAPI*)();
  const auto swapInterval =
      reinterpret_cast<GetSwapInterval>(reinterpret_cast<void*>(::wglGetProcAddress("wglGetSwapIntervalEXT")));
  ASSERT_NE(swapInterval, nullptr);
  EXPECT_EQ(swapInterval(), 0);
  // The frame timer runs on the window.
  EXPECT_TRUE(::KillTimer(w, kFrameTimerId));
}

// Tick for tick the window's alpha is the core fade's byte, the one table
// every platform fades by (its values are pinned in the core's tests).
TEST_F(FullScreen, FadesInTickByTickToTheBrightnessOpacity) {
  for (const std::int32_t bright : {10, 5, 1}) {
    SCOPED_TRACE(bright);
    RegistrySandbox::setAll({3, bright, 3, 10, 5, 1});
    startSaver();
    const HWND w = saverWindow();
    FadeIn fade;
    for (int t = 1; t <= 103; ++t) {
      tick();
      ASSERT_EQ(layered(w).alpha, fade.tick(bright)) << "tick " << t;
      EXPECT_EQ(layered(w).flags, static_cast<DWORD>(LWA_ALPHA | LWA_COLORKEY));
    }
    EXPECT_EQ(layered(w).alpha, 25 * bright + 5);
    endTest();
  }
}

TEST_F(FullScreen, OpacityReachesTheSystemOnlyWhenTheByteChanges) {
  RegistrySandbox::setAll({3, 1, 3, 10, 5, 1});
  startSaver();
  const HWND w = saverWindow();
  const auto overwrite = [w](BYTE alpha) {
    ::SetLayeredWindowAttributes(w, kSaverColorKey, alpha, LWA_ALPHA | LWA_COLORKEY);
  };
  tick();
  tick();
  EXPECT_EQ(layered(w).alpha, 6);
  // Ticks 3 to 5 keep 6 at Bright 1: no call, so a value put there from
  // outside stays.
  overwrite(77);
  tick();
  tick();
  tick();
  EXPECT_EQ(layered(w).alpha, 77);

  // After the fade: nothing reaches the system until Bright changes.
  for (int t = 6; t <= 100; ++t) tick();
  EXPECT_EQ(layered(w).alpha, 30);
  overwrite(77);
  tick();
  EXPECT_EQ(layered(w).alpha, 77);
  settings.Brightness = 9;
  tick();
  EXPECT_EQ(layered(w).alpha, 230);
}

TEST_F(FullScreen, StoredBrightnessOutsideTheSliderSaturates) {
  // The first from the settings key, the others as the settings dialog
  // would change them, after the fade.
  RegistrySandbox::setAll({3, 11, 3, 10, 5, 1});
  startSaver();
  for (int t = 1; t < 100; ++t) tick();
  const struct {
    std::int32_t bright;
    int expected;
  } cases[] = {{11, 255}, {1000000, 255}, {-1, 0}, {INT32_MIN, 0}, {0, 5}};
  for (const auto& [bright, expected] : cases) {
    settings.Brightness = bright;
    tick();
    EXPECT_EQ(layered(saverWindow()).alpha, expected) << "Bright " << bright;
  }
}

TEST_F(FullScreen, ClientSizeChangeIsPickedUpAtTheNextTick) {
  startSaver();
  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  tick();

  ::SetWindowPos(saverWindow(), nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The resize event projects with the new aspect but the stored viewport.
  EXPECT_EQ(viewport().width, cx);
  EXPECT_EQ(viewport().height, cy);
  EXPECT_NEAR(projectedAspect(), 800.0 / 600.0, 1e-6);

  tick();
  EXPECT_EQ(viewport().width, 800);
  EXPECT_EQ(viewport().height, 600);
  EXPECT_NEAR(projectedAspect(), 800.0 / 600.0, 1e-6);
}

TEST_F(FullScreen, ADpiChangeLeavesTheWindowCoveringItsMonitor) {
  startSaver();
  const RECT before = windowRect(saverWindow());
  RECT suggested{before.left, before.top, before.left + (before.right - before.left) * 3 / 2,
                 before.top + (before.bottom - before.top) * 3 / 2};
  ::SendMessageA(saverWindow(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  tick();
  const RECT after = windowRect(saverWindow());
  EXPECT_TRUE(::EqualRect(&before, &after));
  EXPECT_EQ(viewport().width, before.right - before.left);
  EXPECT_EQ(viewport().height, before.bottom - before.top);
}

TEST_F(FullScreen, FramesLightPixelsOnTheScreen) {
  startSaver();
  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  const RECT screen{0, 0, cx, cy};
  tick();
  const auto first = screenPixels(screen);
  const auto lit = litPixels(first);
  EXPECT_GT(lit, 500);
  EXPECT_LT(lit, static_cast<long long>(cx) * cy / 20);  // points on black, not a filled screen
  tick();
  const auto second = screenPixels(screen);
  EXPECT_GT(litPixels(second), 500);
  EXPECT_NE(first, second);  // the flakes moved
}

TEST_F(FullScreen, SettingsModeEndsOnlyOnEscShiftIncluded) {
  startSaver(SaverInput::EscapeOnly);
  const HWND w = saverWindow();
  ::PostMessageA(w, WM_KEYDOWN, 'A', 0);
  ::PostMessageA(w, WM_KEYDOWN, VK_SHIFT, 0);
  ::PostMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  ::PostMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(500, 500));
  ::PostMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(500, 500));
  ::PostMessageA(w, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(500, 500));
  ::PostMessageA(w, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(500, 500));
  ::PostMessageA(w, WM_MOUSEHWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(500, 500));
  pumpMessages();
  EXPECT_FALSE(ended());
  EXPECT_TRUE(screenSaverRunningHere());

  // Esc with Shift down ends it, surface released and notice withdrawn.
  const HDC dc = ::wglGetCurrentDC();
  const HGLRC rc = ::wglGetCurrentContext();
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  ::SetKeyboardState(keys);
  ::PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(pumpUntil([this] { return ended(); }));
  keys[VK_SHIFT] = 0;
  ::SetKeyboardState(keys);
  EXPECT_EQ(::wglGetCurrentContext(), nullptr);
  EXPECT_FALSE(::wglMakeCurrent(dc, rc)) << "the context is gone";
  EXPECT_FALSE(screenSaverRunningHere());
  EXPECT_FALSE(::KillTimer(w, kFrameTimerId));  // stopped
}

TEST_F(FullScreen, CloseReleasesTheSurfaceWithdrawsTheNoticeAndEnds) {
  startSaver();
  ASSERT_TRUE(screenSaverRunningHere());
  const HDC dc = ::wglGetCurrentDC();
  const HGLRC rc = ::wglGetCurrentContext();
  ::PostMessageA(saverWindow(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(pumpUntil([this] { return ended(); }));
  EXPECT_EQ(::wglGetCurrentContext(), nullptr);
  EXPECT_FALSE(::wglMakeCurrent(dc, rc)) << "the context is gone";
  EXPECT_FALSE(screenSaverRunningHere());
}

// Monitors that come, go or move are the multi-monitor tests' (real RandR
// outputs); here the layout stays.
TEST_F(FullScreen, ADisplayChangeWithTheSameMonitorsKeepsTheWindowAndTheFade) {
  startSaver(SaverInput::EscapeOnly);
  for (int t = 0; t < 3; ++t) tick();
  const HWND w = saverWindow();
  const RECT monitor = windowRect(w);
  ::SendMessageA(w, WM_DISPLAYCHANGE, 24, MAKELPARAM(monitor.right - monitor.left, monitor.bottom - monitor.top));
  tick();
  EXPECT_EQ(layered(w).alpha, 15) << "the fade goes on from where it was: tick 4 at Bright 10";
  EXPECT_FALSE(ended());
  EXPECT_EQ(saverWindow(), w);
  const RECT after = windowRect(w);
  EXPECT_TRUE(::EqualRect(&after, &monitor));
  EXPECT_TRUE(screenSaverRunningHere());
}

// The two settings the system reports the display's state in: the console
// display (Windows 8 on; off 0, on 1, dimmed 2) and the monitor's power
// (before; off 0, on 1).
const struct DisplaySetting {
  const char* name;
  GUID id;
  std::vector<DWORD> visible;
} kDisplaySettings[] = {
    {"console display", {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}}, {2, 1}},
    {"monitor power", {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}}, {1}},
};

// What the system sends when that setting changes to state.
void displayState(HWND window, const GUID& setting, DWORD state) {
  struct {
    GUID setting;
    DWORD length;
    DWORD data;
  } change{setting, sizeof(DWORD), state};
  static_assert(offsetof(POWERBROADCAST_SETTING, Data) == offsetof(decltype(change), data));
  EXPECT_EQ(::SendMessageA(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&change)),
            TRUE);
}

TEST_F(FullScreen, DrawsNothingWhileTheDisplayIsOff) {
  const RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  for (const DisplaySetting& setting : kDisplaySettings) {
    SCOPED_TRACE(setting.name);
    startSaver();
    const HWND w = saverWindow();
    tick();
    displayState(w, setting.id, 0);
    const auto off = screenPixels(screen);
    tick();
    tick();
    EXPECT_EQ(screenPixels(screen), off) << "no frame drawn";
    EXPECT_EQ(layered(w).alpha, 12) << "the fade goes on: tick 3 at Bright 10";
    for (const DWORD visible : setting.visible) {
      displayState(w, setting.id, 0);
      displayState(w, setting.id, visible);
      const auto before = screenPixels(screen);
      tick();
      EXPECT_NE(screenPixels(screen), before) << visible;
    }
    EXPECT_FALSE(ended());
    EXPECT_TRUE(::KillTimer(w, kFrameTimerId));
    endTest();
  }
}

// The system may refuse the saver the foreground; a key then goes to the
// program in front. Full screen that key still ends the saver; behind the
// settings dialog, where the user types, it does not.
TEST_F(FullScreen, AKeyThatReachesAnotherProgramEndsOnlyTheFullScreenSaver) {
  for (const SaverInput input : {SaverInput::AnyInputEnds, SaverInput::EscapeOnly}) {
    const bool fullScreen = input == SaverInput::AnyInputEnds;
    SCOPED_TRACE(fullScreen ? "full screen" : "settings mode");
    SaverProcess other("/p");  // a popup that a key ends
    const HWND popup = other.waitForWindow(kPreviewClassName);
    ASSERT_NE(popup, nullptr);
    ::SetForegroundWindow(popup);
    ASSERT_TRUE(pumpUntil([popup] { return ::GetForegroundWindow() == popup; }));
    const ActivationRefused refused(kSaverClassName);
    startSaver(input);
    // NOTE: Wine takes the foreground from the popup before the refusal;
    // Windows would have left it there.
    ::SetForegroundWindow(popup);
    ASSERT_TRUE(pumpUntil([popup] { return ::GetForegroundWindow() == popup; }));
    tick();
    ASSERT_FALSE(ended());
    sendKey('A', true), sendKey('A', false);
    EXPECT_TRUE(pumpUntil([&other] { return other.waitForExit(0).has_value(); })) << "the popup got the key";
    tick();
    EXPECT_EQ(ended(), fullScreen);
    EXPECT_EQ(screenSaverRunningHere(), !fullScreen);
    endTest();
  }
}

// Without the foreground, jitter these windows saw is not input another
// program got; a key that went there in the same tick still ends the saver,
// whether it came before the jitter or after.
// NOTE: jitter alone cannot be shown here: Wine follows a move with a second
// report of the same place that updates the last input time and reaches no
// window of the saver, so without the foreground the saver ends on it.
TEST_F(FullScreen, AKeyElsewhereIsNotAbsorbedByJitterInTheSameTick) {
  const struct {
    const char* what;
    bool keyBefore;
  } cases[] = {{"a key, then jitter", true}, {"jitter, then a key", false}};
  const POINT start{600, 400};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(placePointer(start.x, start.y));
    SaverProcess other("/p");  // a popup that a key ends
    const HWND popup = other.waitForWindow(kPreviewClassName);
    ASSERT_NE(popup, nullptr);
    const ActivationRefused refused(kSaverClassName);
    startSaver();
    ::SetForegroundWindow(popup);
    ASSERT_TRUE(pumpUntil([popup] { return ::GetForegroundWindow() == popup; }));
    tick();
    ASSERT_FALSE(ended());
    // Both before the saver reads its messages, so within one tick.
    if (c.keyBefore) sendKey('A', true), sendKey('A', false);
    sendMouseMoveTo(start.x + 2, start.y - 1);
    if (!c.keyBefore) sendKey('A', true), sendKey('A', false);
    EXPECT_TRUE(other.waitForExit().has_value()) << "the popup got the key";
    ASSERT_TRUE(waitUntil([] {
      POINT at{};
      return ::GetCursorPos(&at) && at.x == 602 && at.y == 399;
    }));
    pumpMessages();
    tick();
    EXPECT_TRUE(ended());
    endTest();
  }
}

// A context that cannot be made current (here it is current on another
// thread) stops the drawing with one box, and the saver ends.
TEST_F(FullScreen, AContextThatCannotBeMadeCurrentStopsTheSaverWithOneBox) {
  MessageBoxWatcher watcher;
  startSaver();
  tick();
  const HWND w = saverWindow();
  const HGLRC rc = ::wglGetCurrentContext();
  ASSERT_NE(rc, nullptr);
  ::wglMakeCurrent(nullptr, nullptr);
  std::atomic<int> held{0};  // 1 current over there, -1 refused; 2 to let go
  std::thread holder([&] {
    const HDC dc = ::GetDC(w);
    held = ::wglMakeCurrent(dc, rc) ? 1 : -1;
    waitUntil([&] { return held == 2; });
    ::wglMakeCurrent(nullptr, nullptr);
    ::wglDeleteContext(rc);
    ::ReleaseDC(w, dc);
  });
  waitUntil([&] { return held != 0; });
  const bool tookIt = held == 1;
  if (tookIt) {
    tick();
    tick();
    pumpMessages();
  }
  held = 2;
  holder.join();
  ASSERT_TRUE(tookIt);
  ASSERT_TRUE(watcher.waitForBoxes(1));
  const auto boxes = watcher.boxes();
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text, "wglMakeCurrent failed");
  EXPECT_TRUE(ended());
  EXPECT_FALSE(screenSaverRunningHere());
  EXPECT_FALSE(::KillTimer(w, kFrameTimerId));  // stopped
}

// Full screen, another program taking the desktop ends the saver; behind
// the settings dialog it does not ("Our site" opens a browser on purpose).
TEST_F(FullScreen, AnotherProgramActivatedEndsOnlyTheFullScreenSaver) {
  for (const SaverInput input : {SaverInput::AnyInputEnds, SaverInput::EscapeOnly}) {
    const bool fullScreen = input == SaverInput::AnyInputEnds;
    SCOPED_TRACE(fullScreen ? "full screen" : "settings mode");
    startSaver(input);
    ASSERT_TRUE(pumpUntil([this] { return ::GetForegroundWindow() == saverWindow(); }));
    SaverProcess other("/p");
    const HWND popup = other.waitForWindow(kPreviewClassName);
    ASSERT_NE(popup, nullptr);
    ::SetForegroundWindow(popup);
    ASSERT_TRUE(pumpUntil([popup] { return ::GetForegroundWindow() == popup; }));
    pumpMessages();
    EXPECT_EQ(ended(), fullScreen);
    EXPECT_EQ(screenSaverRunningHere(), !fullScreen);
    endTest();
  }
}

TEST_F(FullScreen, ReadErrorShowsItsTextAndTheWindowStaysUp) {
  RegistrySandbox::setAll({3, 10, 3, 10, 5, 1});
  RegistrySandbox::setString("Bright", "10");
  MessageBoxWatcher watcher;
  startSaver();
  ASSERT_TRUE(watcher.waitForBoxes(1));
  EXPECT_EQ(watcher.boxes()[0].caption, "Flindra");
  EXPECT_EQ(watcher.boxes()[0].text, "Invalid data type for 'Bright'");
  ASSERT_NE(saverWindow(), nullptr);
  EXPECT_TRUE(::IsWindowVisible(saverWindow()));
  EXPECT_FALSE(ended());
  // The rest of creation did not happen.
  EXPECT_EQ(::wglGetCurrentContext(), nullptr);
  EXPECT_FALSE(screenSaverRunningHere());
  // Ticks go on without a surface; Esc still ends.
  tick();
  ::PostMessageA(saverWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(pumpUntil([this] { return ended(); }));
  endTest();

  RegistrySandbox::deleteKey();
  RegistrySandbox::setDword("Fast", 3);
  startSaver();
  ASSERT_TRUE(watcher.waitForBoxes(2));
  EXPECT_EQ(watcher.boxes()[1].text, "Failed to get data for 'Bright'");
  // The readable value is in use, the missing one at its default.
  EXPECT_EQ(settings.Speed, 3);
  EXPECT_EQ(settings.Brightness, 10);
}

TEST_F(FullScreen, PixelFormatFailureShowsOneBoxAndEndsTheSaver) {
  MessageBoxWatcher watcher;
  {
    const PixelFormatTakenAtCreation taken(kSaverClassName);
    startSaver();
  }
  ASSERT_TRUE(watcher.waitForBoxes(1));
  const auto boxes = watcher.boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text, "SetPixelFormat failed");
  EXPECT_EQ(::wglGetCurrentContext(), nullptr);
  EXPECT_FALSE(screenSaverRunningHere());
  EXPECT_FALSE(::IsWindowVisible(saverWindow()));
  EXPECT_TRUE(ended());
}

}  // namespace
