// Preview mode in the test's own process: RunPreview on this thread (the
// window thread), a host window on a thread of its own, and a driver thread
// that looks at the preview window and ends the preview the way the host or
// a user would.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "core/settings.h"
#include "core/flakes.h"
#include "preview_support.h"
#include "win32/password.h"
#include "win32/preview.h"
#include "win32/wgl_surface.h"

namespace {

// An OpenGL window clips its children and siblings.
constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
constexpr DWORD kPopupStyle = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;

// Creations of preview windows on this thread, seen through a CBT hook,
// which can also refuse them.
struct CreationRecord {
  int attempts = 0;
  std::string className;
  std::string windowName;
  LONG style = 0;
  int x = -1, y = -1, width = -1, height = -1;
  HWND parent = nullptr;
};
CreationRecord creations;
bool refuseCreation = false;

LRESULT CALLBACK creationHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTA& cs = *reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
    const bool named = HIWORD(reinterpret_cast<std::uintptr_t>(cs.lpszClass)) != 0;
    if (named && std::strcmp(cs.lpszClass, kPreviewClassName) == 0) {
      ++creations.attempts;
      creations.className = cs.lpszClass;
      creations.windowName = cs.lpszName != nullptr ? cs.lpszName : "";
      creations.style = cs.style;
      creations.x = cs.x;
      creations.y = cs.y;
      creations.width = cs.cx;
      creations.height = cs.cy;
      creations.parent = cs.hwndParent;
      if (refuseCreation) return 1;
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

class CreationWatch {
 public:
  explicit CreationWatch(bool refuse) {
    creations = CreationRecord{};
    refuseCreation = refuse;
    hook_ = ::SetWindowsHookExA(WH_CBT, creationHook, nullptr, ::GetCurrentThreadId());
  }
  ~CreationWatch() { ::UnhookWindowsHookEx(hook_); }
  CreationWatch(const CreationWatch&) = delete;
  CreationWatch& operator=(const CreationWatch&) = delete;

 private:
  HHOOK hook_ = nullptr;
};

struct RunOutcome {
  bool returnedByItself = false;  // false: the guard had to close the window
  double milliseconds = 0;
};

// preview.Run(argument) on this thread while driver runs on another. Should
// the preview still run 5 s after the driver is done, its loop is told to
// quit so that the test fails instead of hanging.
RunOutcome runPreviewWhile(Preview& preview, const std::string& argument, const std::function<void()>& driver) {
  std::atomic<bool> returned{false};
  RunOutcome outcome;
  const DWORD windowThread = ::GetCurrentThreadId();
  std::thread helper([&] {
    driver();
    if (!waitUntil([&] { return returned.load(); })) {
      outcome.returnedByItself = false;
      ::PostThreadMessageA(windowThread, WM_QUIT, 0, 0);
    }
  });
  outcome.returnedByItself = true;
  const auto start = std::chrono::steady_clock::now();
  preview.Run(argument);
  outcome.milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  returned = true;
  helper.join();
  return outcome;
}

void pressKey(HWND window) { ::PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0x00390001); }

// Waits until the window shows `count` different lit frames.
bool waitForFrames(HWND window, std::size_t count) {
  std::set<std::uint64_t> frames;
  return waitUntil([&] {
    const Readback r = readWindowPixels(window);
    if (r.ok && r.lit > 20) frames.insert(r.hash);
    return frames.size() >= count;
  });
}

RECT rectIn(HWND window, HWND parent) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool sameRect(const RECT& a, int left, int top, int right, int bottom) {
  return a.left == left && a.top == top && a.right == right && a.bottom == bottom;
}

class PreviewTest : public ::testing::Test {
 protected:
  void SetUp() override { deleteValue(kDesktopKeyPath, kUsePasswordValue); }
  void TearDown() override {
    // The program leaves its window to the end of the process; a test ends
    // it with the preview and drops the quit message its destruction posts.
    preview.reset();
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  SavedRegistryValue usePassword_{kDesktopKeyPath, kUsePasswordValue};
  std::unique_ptr<Preview> preview = std::make_unique<Preview>();
};

TEST_F(PreviewTest, ChildFillsTheHostAndDrawsUntilTheHostGoes) {
  // Stored values that a load would reject: if the preview read them, the
  // read would throw; if it wrote, they would change.
  const SavedRegistryKey settingsKey(kSettingsKeyPath);
  for (const SettingInfo& s : kSettingTable) setValue(kSettingsKeyPath, s.name, REG_SZ, "9", 2);
  bool existed = false;
  const auto storedBefore = SavedRegistryKey::read(kSettingsKeyPath, &existed);

  const HostWindow host(100, 100, 200, 150);
  ASSERT_NE(host.handle(), nullptr);
  const CreationWatch watch(false);

  HWND child = nullptr;
  LONG style = 0, exStyle = 0;
  RECT rect{};
  HWND parent = nullptr;
  bool framesCame = false;
  const RunOutcome run = runPreviewWhile(*preview, handleText(host.handle()), [&] {
    waitUntil([&] {
      child = ::FindWindowExA(host.handle(), nullptr, kPreviewClassName, nullptr);
      return ::IsWindowVisible(child);
    });
    style = ::GetWindowLongA(child, GWL_STYLE);
    exStyle = ::GetWindowLongA(child, GWL_EXSTYLE);
    rect = rectIn(child, host.handle());
    parent = ::GetParent(child);
    framesCame = waitForFrames(child, 3);
    host.close();
  });

  EXPECT_TRUE(run.returnedByItself) << "destroying the host ends RunPreview";
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(static_cast<DWORD>(style), kChildStyle);
  EXPECT_EQ(exStyle, 0);
  EXPECT_EQ(parent, host.handle());
  // The host's client area, inside its border.
  EXPECT_TRUE(sameRect(rect, 0, 0, 198, 148));
  EXPECT_EQ(creations.attempts, 1);
  EXPECT_EQ(creations.className, kPreviewClassName);
  EXPECT_EQ(creations.windowName, "VaRiruz");
  EXPECT_EQ(static_cast<DWORD>(creations.style), kChildStyle);
  EXPECT_EQ(creations.x, 0);
  EXPECT_EQ(creations.y, 0);
  EXPECT_EQ(creations.width, 198);
  EXPECT_EQ(creations.height, 148);
  EXPECT_EQ(creations.parent, host.handle());

  char className[64] = {};
  ::GetClassNameA(child, className, sizeof className);
  WNDCLASSA registered{};
  ASSERT_TRUE(::GetClassInfoA(::GetModuleHandleA(nullptr), kPreviewClassName, &registered));
  EXPECT_EQ(registered.style, 0u) << "CS_PARENTDC would make SetPixelFormat fail on Microsoft's OpenGL";
  EXPECT_EQ(registered.hbrBackground, nullptr);
  EXPECT_EQ(registered.hCursor, nullptr);

  EXPECT_TRUE(framesCame) << "lit frames drawn into the child";
  EXPECT_EQ(preview->width.load(), 198);
  EXPECT_EQ(preview->height.load(), 148);
  // The sway advances 0.5 a frame from the first paint on, so it counts the
  // frames; one frame per 31 ms tick, plus a few paints the system asks for.
  ASSERT_NE(preview->field(), nullptr);
  const double frames = preview->field()->SwayAngle / 0.5;
  EXPECT_GE(frames, 3);
  EXPECT_LE(frames, run.milliseconds / kRenderTickMs + 5) << "more frames than ticks";
  EXPECT_TRUE(preview->settingsFixed);
  EXPECT_EQ(SavedRegistryKey::read(kSettingsKeyPath, &existed), storedBefore);
}

TEST_F(PreviewTest, OnlyTheFirstPaintSeeds) {
  const HWND window = preview->Create(kPopupWidth, kPopupHeight, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(preview->window.load(), window);

  // The paint pending since creation, before the window was measured and
  // the settings written: a 0 x 0 view with all settings 0.
  ::UpdateWindow(window);
  ASSERT_NE(preview->field(), nullptr);
  FlakeField& field = *preview->field();
  EXPECT_EQ(field.SwayStep, 0.5);
  EXPECT_EQ(field.SwayAngle, 0.5);
  EXPECT_FALSE(::GetUpdateRect(window, nullptr, FALSE)) << "the paint validates the window";
  for (int i = 0; i < kFlakeCount; ++i) {
    EXPECT_GE(field.Height[i], 2.5 - 4.2 - 1e-9);
    EXPECT_LE(field.Height[i], 10.49 - 4.2 + 1e-9);
  }

  preview->width = kPopupWidth;
  preview->height = kPopupHeight;
  preview->settingsFixed = true;
  const auto before = std::make_unique<FlakeField>(field);
  field.SwayStep = 0.25;  // a seeding paint would set it back to 0.5

  for (int paint = 1; paint <= 2; ++paint) {
    ::InvalidateRect(window, nullptr, FALSE);
    ::UpdateWindow(window);
  }
  EXPECT_EQ(preview->field(), &field);
  EXPECT_EQ(field.SwayStep, 0.25);
  EXPECT_EQ(field.SwayAngle, 1.0);
  for (int i = 0; i < kFlakeCount; ++i) {
    EXPECT_EQ(field.PosX[i], before->PosX[i]);
    EXPECT_EQ(field.Depth[i], before->Depth[i]);
    EXPECT_EQ(field.Height[i], before->Height[i] - 5 * 0.005 - 5 * 0.005) << "flake " << i;
  }
  EXPECT_EQ(std::memcmp(field.LatticeX, before->LatticeX, sizeof field.LatticeX), 0);
  const Readback shown = readWindowPixels(window);
  EXPECT_TRUE(shown.ok);
  EXPECT_GT(shown.lit, 20);
}

// The index of a window-capable OpenGL format other than `avoid`.
int otherPixelFormat(HDC dc, int avoid) {
  PIXELFORMATDESCRIPTOR pfd{};
  const int count = ::DescribePixelFormat(dc, 1, sizeof pfd, &pfd);
  for (int index = 1; index <= count; ++index) {
    ::DescribePixelFormat(dc, index, sizeof pfd, &pfd);
    const DWORD needed = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (index != avoid && (pfd.dwFlags & needed) == needed) return index;
  }
  return 0;
}

TEST_F(PreviewTest, PixelFormatFailureIsReportedOnceAndEndsTheLoop) {
  const HWND window = preview->Create(kPopupWidth, kPopupHeight, nullptr);
  ASSERT_NE(window, nullptr);
  ::ValidateRect(window, nullptr);
  preview->width = kPopupWidth;
  preview->height = kPopupHeight;

  // A window keeps the first pixel format it is given, so one set here makes
  // the preview's own SetPixelFormat fail.
  const HDC dc = ::GetDC(window);
  const PIXELFORMATDESCRIPTOR wanted = pixelFormatAskedFor(SurfaceVariant::Preview);
  const int other = otherPixelFormat(dc, ::ChoosePixelFormat(dc, &wanted));
  PIXELFORMATDESCRIPTOR otherDescriptor{};
  ::DescribePixelFormat(dc, other, sizeof otherDescriptor, &otherDescriptor);
  ASSERT_TRUE(::SetPixelFormat(dc, other, &otherDescriptor));
  ::ReleaseDC(window, dc);

  // Answers every error box, counting them; while the first one shows, asks
  // for repaints and waits until they are done without a second box.
  std::atomic<bool> stop{false};
  int boxes = 0;
  std::string text;
  bool repaintedWhileShowing = false;
  std::thread watcher([&] {
    HWND last = nullptr;
    while (!stop) {
      const HWND box = ::FindWindowA("#32770", "Error");
      if (box != nullptr && box != last && ::IsWindowVisible(box)) {
        last = box;
        ++boxes;
        char buffer[128] = {};
        ::GetDlgItemTextA(box, 0xFFFF, buffer, sizeof buffer);
        text = buffer;
        if (boxes == 1) {
          ::InvalidateRect(window, nullptr, FALSE);
          repaintedWhileShowing = waitUntil([&] { return !::GetUpdateRect(window, nullptr, FALSE); });
        }
        ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      }
      ::Sleep(5);
    }
  });

  ::InvalidateRect(window, nullptr, FALSE);
  ::UpdateWindow(window);
  bool quitPosted = false;
  MSG message;
  while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) quitPosted = true;
    ::DispatchMessageA(&message);
  }
  for (int paint = 0; paint < 3; ++paint) {
    ::InvalidateRect(window, nullptr, FALSE);
    ::UpdateWindow(window);
  }
  const bool validAfter = !::GetUpdateRect(window, nullptr, FALSE);
  stop = true;
  watcher.join();

  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(text, "SetPixelFormat failed");
  EXPECT_TRUE(repaintedWhileShowing) << "paints during the box validate without drawing";
  EXPECT_TRUE(quitPosted) << "the failure ends the preview's loop";
  EXPECT_TRUE(validAfter) << "later paints validate without drawing";
  EXPECT_EQ(preview->field(), nullptr) << "nothing was seeded";
}

TEST_F(PreviewTest, InAHostsPaneAFailedSurfaceEndsQuietly) {
  const HostWindow host(100, 100, 200, 150);
  MessageBoxWatcher watcher;
  const PixelFormatTakenAtCreation taken(kPreviewClassName);
  const RunOutcome run = runPreviewWhile(*preview, handleText(host.handle()), [] {});
  EXPECT_TRUE(run.returnedByItself) << "the failure ends the preview";
  EXPECT_TRUE(watcher.boxes().empty()) << "a box would freeze the host behind it";
  EXPECT_EQ(preview->field(), nullptr) << "nothing was drawn";
  // The child goes before its host, whose thread would otherwise wait on
  // this one to destroy it.
  preview.reset();
}

TEST_F(PreviewTest, HandleThatNamesNoWindowReturnsAtOnce) {
  const HWND gone = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ::DestroyWindow(gone);
  const CreationWatch watch(false);
  // -3 is HWND_MESSAGE: a child of it would be a message-only window.
  for (const std::string& argument :
       {handleText(gone), std::string("-3"), std::string("-5"), std::string("0x7FFFFFF0")}) {
    const RunOutcome run = runPreviewWhile(*preview, argument, [] {});
    EXPECT_TRUE(run.returnedByItself) << argument;
  }
  EXPECT_EQ(creations.attempts, 0);
  EXPECT_EQ(preview->window.load(), nullptr);
}

TEST_F(PreviewTest, FailedCreationReturnsAtOnce) {
  const HostWindow host(100, 100, 200, 150);
  const CreationWatch watch(true);
  for (const std::string& argument : {std::string(), handleText(host.handle())}) {
    const RunOutcome run = runPreviewWhile(*preview, argument, [] {});
    EXPECT_TRUE(run.returnedByItself) << argument;
    EXPECT_EQ(preview->window.load(), nullptr);
  }
  EXPECT_EQ(creations.attempts, 2);
  EXPECT_EQ(::FindWindowExA(host.handle(), nullptr, kPreviewClassName, nullptr), nullptr);
  EXPECT_EQ(::FindWindowA(kPreviewClassName, nullptr), nullptr);
}

TEST_F(PreviewTest, PopupIgnoresTheMouseAndEndsOnAKeyWithoutPassword) {
  const int cursorBefore = cursorCount();
  HWND popup = nullptr;
  LONG style = 0, exStyle = 0;
  RECT rect{};
  bool framesCame = false;
  LRESULT mouseResults = 0;
  bool runningAfterMouse = false;
  const RunOutcome run = runPreviewWhile(*preview, "", [&] {
    // Made top-most right after the handle is stored.
    waitUntil([&] { return (::GetWindowLongA(popup = preview->window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; });
    style = ::GetWindowLongA(popup, GWL_STYLE);
    exStyle = ::GetWindowLongA(popup, GWL_EXSTYLE);
    ::GetWindowRect(popup, &rect);
    framesCame = waitForFrames(popup, 2);
    for (const UINT message : {UINT{WM_MOUSEMOVE}, UINT{WM_LBUTTONDOWN}, UINT{WM_RBUTTONDOWN}, UINT{WM_MBUTTONDOWN}})
      mouseResults |= ::SendMessageA(popup, message, 0, MAKELPARAM(5, 5));
    runningAfterMouse = ::IsWindow(popup) && !preview->stopRequested;
    pressKey(popup);
  });
  EXPECT_TRUE(run.returnedByItself) << "a key ends the preview";
  EXPECT_TRUE(preview->stopRequested);
  EXPECT_EQ(static_cast<DWORD>(style) & (kPopupStyle | WS_CHILD | WS_DISABLED), kPopupStyle);
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
  EXPECT_TRUE(sameRect(rect, 0, 0, kPopupWidth, kPopupHeight));
  EXPECT_TRUE(framesCame);
  EXPECT_EQ(mouseResults, 0);
  EXPECT_TRUE(runningAfterMouse);
  EXPECT_EQ(cursorCount(), cursorBefore);
}

TEST_F(PreviewTest, KeyEndsThePopupOnlyWhenThePasswordIsVerified) {
  setDword(kDesktopKeyPath, kUsePasswordValue, 1);
  const InstalledApplet applet(AppletVariant::WithVerify);
  applet.answer(0);
  const int cursorBefore = cursorCount();

  HWND popup = nullptr;
  bool refusedKeyHandled = false, runsOn = false, stopAfterRefusal = true;
  const RunOutcome run = runPreviewWhile(*preview, "", [&] {
    waitUntil([&] { return (popup = preview->window) != nullptr; });
    pressKey(popup);
    refusedKeyHandled = waitUntil([] { return appletRecord().calls == 1; });
    stopAfterRefusal = preview->stopRequested;
    runsOn = waitForFrames(popup, 3) && ::IsWindow(popup);
    applet.answer(1);
    pressKey(popup);
  });
  EXPECT_TRUE(refusedKeyHandled);
  EXPECT_FALSE(stopAfterRefusal);
  EXPECT_TRUE(runsOn) << "frames go on after a refused password";
  EXPECT_TRUE(run.returnedByItself) << "a verified password ends the preview";
  const AppletRecord record = appletRecord();
  EXPECT_EQ(record.calls, 2u);
  EXPECT_EQ(record.owner, reinterpret_cast<std::uintptr_t>(popup)) << "the preview window owns the check";
  EXPECT_EQ(record.cursorCount, cursorBefore + 1);
  EXPECT_EQ(cursorCount(), cursorBefore);
}

TEST_F(PreviewTest, CloseRequestEndsWithoutPasswordCheck) {
  setDword(kDesktopKeyPath, kUsePasswordValue, 1);
  const InstalledApplet applet(AppletVariant::WithVerify);
  applet.answer(0);
  const RunOutcome run = runPreviewWhile(*preview, "", [&] {
    HWND popup = nullptr;
    waitUntil([&] { return (popup = preview->window) != nullptr; });
    ::PostMessageA(popup, WM_CLOSE, 0, 0);
  });
  EXPECT_TRUE(run.returnedByItself);
  EXPECT_EQ(appletRecord().calls, 0u);
}

}  // namespace
