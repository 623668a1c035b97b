// The full-screen saver window in this process: real window, real layered
// attributes, real WGL context on Wine's OpenGL.
#include <algorithm>
#include <cmath>
#include <cstddef>

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
  EXPECT_EQ(activeSaver().windows[0].viewWidth, cx);
  EXPECT_EQ(activeSaver().windows[0].viewHeight, cy);

  // Shown, still fully transparent before the first tick.
  const Layered l = layered(w);
  EXPECT_EQ(l.flags, static_cast<DWORD>(LWA_ALPHA | LWA_COLORKEY));
  EXPECT_EQ(l.key, kSaverColorKey);
  EXPECT_EQ(l.alpha, 0);

  // Surface, projection and the rest of creation.
  EXPECT_NE(activeSaver().windows[0].dc, nullptr);
  EXPECT_NE(activeSaver().windows[0].rc, nullptr);
  EXPECT_EQ(::wglGetCurrentContext(), activeSaver().windows[0].rc);
  const Viewport v = viewport();
  EXPECT_EQ(v.width, cx);
  EXPECT_EQ(v.height, cy);
  EXPECT_NEAR(projectedAspect(), static_cast<double>(cx) / cy, 1e-6);
  EXPECT_DOUBLE_EQ(activeSaver().windows[0].field->SwayStep, 0.6);  // default Fast 3, over 5
  EXPECT_TRUE(screenSaverRunningHere());
  // First run: the defaults are stored.
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{3, 10, 3, 10, 5, 0}));
  EXPECT_TRUE(watcher.boxes().empty());
  // Every context presents without waiting for a refresh (Wine's WGL offers
  // WGL_EXT_swap_control), so one timer drives any number of monitors.
  using GetSwapInterval = int(WINAPI*)();
  const auto swapInterval =
      reinterpret_cast<GetSwapInterval>(reinterpret_cast<void*>(::wglGetProcAddress("wglGetSwapIntervalEXT")));
  ASSERT_NE(swapInterval, nullptr);
  for (const SaverWindow& each : activeSaver().windows) {
    ASSERT_TRUE(::wglMakeCurrent(each.dc, each.rc));
    EXPECT_EQ(swapInterval(), 0);
  }
  // The frame timer runs on the window.
  EXPECT_TRUE(::KillTimer(w, kFrameTimerId));
}

TEST_F(FullScreen, FadesInTickByTickToTheBrightnessOpacity) {
  RegistrySandbox::setAll({3, 10, 3, 10, 5, 1});
  startSaver();
  const HWND w = saverWindow();

  struct Row {
    std::int32_t bright;
    std::vector<int> first5, mid49to52, last98to100;
  };
  const Row rows[] = {{10, {8, 10, 12, 15, 18}, {128, 130, 133, 135}, {250, 253, 255}},
                      {5, {6, 8, 9, 10, 11}, {66, 68, 69, 70}, {128, 129, 130}},
                      {1, {5, 6, 6, 6, 6}, {17, 18, 18, 18}, {30, 30, 30}}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.bright);
    activeSaver().settings.Brightness = row.bright;
    activeSaver().fade = FadeIn();
    std::vector<int> seen{-1};  // index = tick
    for (int t = 1; t <= 103; ++t) {
      tick(activeSaver());
      seen.push_back(layered(w).alpha);
      EXPECT_EQ(layered(w).flags, static_cast<DWORD>(LWA_ALPHA | LWA_COLORKEY));
      if (t == 99) {
        EXPECT_LT(activeSaver().fade.level(), 1.0);
      }
      if (t >= 100) {
        EXPECT_EQ(activeSaver().fade.level(), 1.0000000000000007);
      }
    }
    EXPECT_EQ(std::vector<int>(seen.begin() + 1, seen.begin() + 6), row.first5);
    EXPECT_EQ(std::vector<int>(seen.begin() + 49, seen.begin() + 53), row.mid49to52);
    EXPECT_EQ(std::vector<int>(seen.begin() + 98, seen.begin() + 101), row.last98to100);
    for (std::size_t t = 2; t <= 103; ++t) EXPECT_GE(seen[t], seen[t - 1]) << "tick " << t;
    for (std::size_t t = 100; t <= 103; ++t) EXPECT_EQ(seen[t], 25 * row.bright + 5) << "tick " << t;
  }
  // The x87 extended sum: Bright 10 at tick 9 is 27 (doubles would give 28).
  activeSaver().settings.Brightness = 10;
  activeSaver().fade = FadeIn();
  for (int t = 1; t <= 9; ++t) tick(activeSaver());
  EXPECT_EQ(layered(w).alpha, 27);
}

TEST_F(FullScreen, OpacityReachesTheSystemOnlyWhenTheByteChanges) {
  RegistrySandbox::setAll({3, 1, 3, 10, 5, 1});
  startSaver();
  const HWND w = saverWindow();
  const auto overwrite = [w](BYTE alpha) {
    ::SetLayeredWindowAttributes(w, kSaverColorKey, alpha, LWA_ALPHA | LWA_COLORKEY);
  };
  tick(activeSaver());
  tick(activeSaver());
  EXPECT_EQ(layered(w).alpha, 6);
  // Ticks 3 to 5 keep 6 at Bright 1: no call, so a value put there from
  // outside stays.
  overwrite(77);
  tick(activeSaver());
  tick(activeSaver());
  tick(activeSaver());
  EXPECT_EQ(layered(w).alpha, 77);
  EXPECT_EQ(activeSaver().alpha, 6);

  // After the fade: nothing reaches the system until Bright changes.
  for (int t = 6; t <= 100; ++t) tick(activeSaver());
  EXPECT_EQ(layered(w).alpha, 30);
  overwrite(77);
  tick(activeSaver());
  EXPECT_EQ(layered(w).alpha, 77);
  activeSaver().settings.Brightness = 9;
  tick(activeSaver());
  EXPECT_EQ(layered(w).alpha, 230);
}

TEST_F(FullScreen, StoredBrightnessOutsideTheSliderSaturates) {
  const struct {
    std::int32_t bright;
    int expected;
  } cases[] = {{11, 255}, {1000000, 255}, {-1, 0}, {INT32_MIN, 0}, {0, 5}};
  for (const auto& [bright, expected] : cases) {
    if (!saver) {
      RegistrySandbox::setAll({3, bright, 3, 10, 5, 1});
      startSaver();
    }
    activeSaver().settings.Brightness = bright;
    activeSaver().fade = FadeIn(1.0000000000000007);
    tick(activeSaver());
    EXPECT_EQ(layered(saverWindow()).alpha, expected) << "Bright " << bright;
  }
}

TEST_F(FullScreen, ClientSizeChangeIsPickedUpAtTheNextTick) {
  startSaver();
  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  tick(activeSaver());

  ::SetWindowPos(saverWindow(), nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The resize event projects with the new aspect but the stored viewport.
  EXPECT_EQ(viewport().width, cx);
  EXPECT_EQ(viewport().height, cy);
  EXPECT_NEAR(projectedAspect(), 800.0 / 600.0, 1e-6);
  EXPECT_EQ(activeSaver().windows[0].viewWidth, cx);

  tick(activeSaver());
  EXPECT_EQ(activeSaver().windows[0].viewWidth, 800);
  EXPECT_EQ(activeSaver().windows[0].viewHeight, 600);
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
  tick(activeSaver());
  const RECT after = windowRect(saverWindow());
  EXPECT_TRUE(::EqualRect(&before, &after));
  EXPECT_EQ(viewport().width, before.right - before.left);
  EXPECT_EQ(viewport().height, before.bottom - before.top);
}

TEST_F(FullScreen, FramesLightPixelsOnTheScreen) {
  startSaver();
  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  const RECT screen{0, 0, cx, cy};
  tick(activeSaver());
  const auto first = screenPixels(screen);
  const auto lit = litPixels(first);
  EXPECT_GT(lit, 500);
  EXPECT_LT(lit, static_cast<long long>(cx) * cy / 20);  // points on black, not a filled screen
  tick(activeSaver());
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
  pumpMessages();
  EXPECT_FALSE(ended());
  EXPECT_TRUE(screenSaverRunningHere());

  // Esc with Shift down ends it, surface released and notice withdrawn.
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  ::SetKeyboardState(keys);
  ::PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(pumpUntil([this] { return ended(); }));
  keys[VK_SHIFT] = 0;
  ::SetKeyboardState(keys);
  EXPECT_EQ(activeSaver().windows[0].rc, nullptr);
  EXPECT_EQ(activeSaver().windows[0].dc, nullptr);
  EXPECT_EQ(::wglGetCurrentContext(), nullptr);
  EXPECT_FALSE(screenSaverRunningHere());
  EXPECT_FALSE(::KillTimer(w, kFrameTimerId));  // stopped
}

TEST_F(FullScreen, CloseReleasesTheSurfaceWithdrawsTheNoticeAndEnds) {
  startSaver();
  ASSERT_TRUE(screenSaverRunningHere());
  ::PostMessageA(saverWindow(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(pumpUntil([this] { return ended(); }));
  EXPECT_EQ(activeSaver().windows[0].rc, nullptr);
  EXPECT_EQ(activeSaver().windows[0].dc, nullptr);
  EXPECT_FALSE(screenSaverRunningHere());
}

TEST_F(FullScreen, FollowsTheMonitorsKeepingTheFadeAndTheField) {
  startSaver(SaverInput::EscapeOnly);
  for (int t = 0; t < 3; ++t) tick(activeSaver());
  const HWND w = saverWindow();
  const FlakeField* const kept = &field();
  const double fade = activeSaver().fade.level();
  const RECT monitor = windowRect(w);

  // The same layout: nothing changes.
  ::SendMessageA(w, WM_DISPLAYCHANGE, 24, MAKELPARAM(1280, 1024));
  // The primary monitor moved and resized under the window: it follows.
  ::SetWindowPos(w, nullptr, 0, 0, 640, 480, SWP_NOZORDER | SWP_NOACTIVATE);
  activeSaver().windows[0].area = RECT{0, 0, 640, 480};
  ::SendMessageA(w, WM_DISPLAYCHANGE, 24, MAKELPARAM(640, 480));
  tick(activeSaver());

  EXPECT_FALSE(ended());
  ASSERT_EQ(activeSaver().windows.size(), 1u);
  EXPECT_EQ(saverWindow(), w);
  EXPECT_EQ(&field(), kept);
  const RECT after = windowRect(w);
  EXPECT_TRUE(::EqualRect(&after, &monitor));
  EXPECT_EQ(viewport().width, monitor.right - monitor.left);
  EXPECT_GT(activeSaver().fade.level(), fade) << "the fade goes on from where it was";
  EXPECT_TRUE(screenSaverRunningHere());
}

// What the system sends when the console display turns off (0), on (1) or
// dims (2).
void displayState(HWND window, DWORD state) {
  struct {
    GUID setting;
    DWORD length;
    DWORD data;
  } change{{0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}}, sizeof(DWORD), state};
  static_assert(offsetof(POWERBROADCAST_SETTING, Data) == offsetof(decltype(change), data));
  EXPECT_EQ(::SendMessageA(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&change)),
            TRUE);
}

TEST_F(FullScreen, DrawsNothingWhileTheDisplayIsOff) {
  startSaver();
  const HWND w = saverWindow();
  tick(activeSaver());
  const double sway = field().SwayAngle;
  displayState(w, 0);
  EXPECT_TRUE(activeSaver().displayOff());
  tick(activeSaver());
  tick(activeSaver());
  EXPECT_EQ(field().SwayAngle, sway) << "no frame stepped or drawn";
  EXPECT_DOUBLE_EQ(activeSaver().fade.level(), 0.03) << "the fade goes on";
  for (const DWORD visible : {2u, 1u}) {
    displayState(w, 0);
    displayState(w, visible);
    EXPECT_FALSE(activeSaver().displayOff()) << visible;
    const double before = field().SwayAngle;
    tick(activeSaver());
    EXPECT_NE(field().SwayAngle, before) << visible;
  }
  EXPECT_FALSE(ended());
  EXPECT_TRUE(::KillTimer(w, kFrameTimerId));
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
  EXPECT_EQ(activeSaver().windows[0].dc, nullptr);
  EXPECT_EQ(activeSaver().windows[0].rc, nullptr);
  EXPECT_FALSE(screenSaverRunningHere());
  // Ticks go on without a surface; Esc still ends.
  tick(activeSaver());
  ::PostMessageA(saverWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(pumpUntil([this] { return ended(); }));
  endTest();

  RegistrySandbox::deleteKey();
  RegistrySandbox::setDword("Fast", 3);
  startSaver();
  ASSERT_TRUE(watcher.waitForBoxes(2));
  EXPECT_EQ(watcher.boxes()[1].text, "Failed to get data for 'Bright'");
  // The readable value is in use, the missing one at its default.
  EXPECT_EQ(activeSaver().settings.Speed, 3);
  EXPECT_EQ(activeSaver().settings.Brightness, 10);
}

TEST_F(FullScreen, PixelFormatFailureShowsOneBoxAndEndsTheSaver) {
  MessageBoxWatcher watcher;
  {
    const PixelFormatTakenAtCreation taken(kSaverClassName);
    saver = std::make_unique<Saver>(SaverInput::AnyInputEnds);
    EXPECT_FALSE(StartSaver(*saver));
  }
  ASSERT_TRUE(watcher.waitForBoxes(1));
  const auto boxes = watcher.boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text, "SetPixelFormat failed");
  EXPECT_EQ(saver->windows[0].dc, nullptr);
  EXPECT_EQ(saver->windows[0].rc, nullptr);
  EXPECT_EQ(::wglGetCurrentContext(), nullptr);
  EXPECT_FALSE(saver->runningNoticeGiven());
  EXPECT_FALSE(screenSaverRunningHere());
  EXPECT_FALSE(::IsWindowVisible(saverWindow()));
  EXPECT_TRUE(ended());
}

}  // namespace
