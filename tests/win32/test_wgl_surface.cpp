#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "core/settings.h"
#include "core/flakes.h"
#include "core/gl.h"
#include "support.h"
#include "win32/wgl_surface.h"

namespace {

// A plain visible popup for the surface to live on.
class TestWindow {
 public:
  TestWindow(int width, int height) {
    window_ = ::CreateWindowExA(0, "STATIC", "surface test", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                                nullptr, ::GetModuleHandleA(nullptr), nullptr);
  }
  ~TestWindow() { ::DestroyWindow(window_); }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND handle() const { return window_; }

 private:
  HWND window_;
};

// Each variant's surface gets the format its documented request chooses.
TEST(PixelFormat, EachVariantGetsTheFormatItsRequestChooses) {
  for (const auto variant : {SurfaceVariant::FullScreen, SurfaceVariant::Preview}) {
    TestWindow window(64, 64);
    HDC dc = nullptr;
    HGLRC rc = nullptr;
    ASSERT_EQ(SetupSurface(window.handle(), variant, dc, rc, 64, 64), nullptr);
    const PIXELFORMATDESCRIPTOR request = pixelFormatAskedFor(variant);
    const int expected = ::ChoosePixelFormat(dc, &request);
    ASSERT_NE(expected, 0);
    EXPECT_EQ(::GetPixelFormat(dc), expected);
    PIXELFORMATDESCRIPTOR chosen{};
    ::DescribePixelFormat(dc, expected, sizeof chosen, &chosen);
    EXPECT_TRUE(chosen.dwFlags & PFD_DOUBLEBUFFER);
    EXPECT_TRUE(chosen.dwFlags & PFD_SUPPORT_OPENGL);
    if (variant == SurfaceVariant::Preview) {
      EXPECT_EQ(chosen.cDepthBits, 16);
    }
    ReleaseSurface(window.handle(), dc, rc);
  }
}

// Each failure comes back as its text; the caller decides whether to show it.
TEST(PixelFormat, FailuresGiveTheirTextAndShowNothing) {
  MessageBoxWatcher watcher;
  // A window keeps the first pixel format it was given; a different one fails.
  const TestWindow window(64, 64);
  HDC dc = ::GetDC(window.handle());
  const PIXELFORMATDESCRIPTOR request = pixelFormatAskedFor(SurfaceVariant::Preview);
  const int chosen = ::ChoosePixelFormat(dc, &request);
  ASSERT_TRUE(::SetPixelFormat(dc, chosen == 1 ? 2 : 1, &request));
  ::ReleaseDC(window.handle(), dc);
  // A window gone by the time its surface is set up has no device context.
  HWND gone = nullptr;
  {
    const TestWindow destroyed(64, 64);
    gone = destroyed.handle();
  }
  const struct {
    HWND window;
    const char* failure;
  } cases[] = {{window.handle(), "SetPixelFormat failed"}, {gone, "GetDC failed"}};
  for (const auto& [on, failure] : cases) {
    HDC held = nullptr;
    HGLRC rc = nullptr;
    EXPECT_STREQ(SetupSurface(on, SurfaceVariant::Preview, held, rc, 64, 64), failure);
    EXPECT_EQ(rc, nullptr);
    ReleaseSurface(on, held, rc);
  }
  EXPECT_TRUE(watcher.boxes().empty());
}

TEST(Surface, FrameLightsPixelsAndReleaseIsIdempotent) {
  TestWindow window(320, 240);
  HDC dc = nullptr;
  HGLRC rc = nullptr;
  ASSERT_EQ(SetupSurface(window.handle(), SurfaceVariant::FullScreen, dc, rc, 320, 240), nullptr);
  ASSERT_NE(rc, nullptr);
  EXPECT_EQ(::wglGetCurrentContext(), rc);
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_PROJECTION);
  EXPECT_TRUE(glIsEnabled(GL_LIGHT1));

  const auto field = std::make_unique<FlakeField>();
  SeedFlakeTable(*field, 11);
  field->SwayStep = 0.6;
  Settings settings = DefaultSettings();
  settings.Size = 5;
  DrawSurfaceFrame(dc, *field, settings);

  // What the swap put on the screen: points, not a filled window.
  RECT area;
  ::GetWindowRect(window.handle(), &area);
  const long long lit = litScreenPixels(area);
  EXPECT_GT(lit, 500);
  EXPECT_LT(lit, 320 * 240 / 4);

  ReleaseSurface(window.handle(), dc, rc);
  EXPECT_EQ(dc, nullptr);
  EXPECT_EQ(rc, nullptr);
  EXPECT_EQ(::wglGetCurrentContext(), nullptr);
  ReleaseSurface(window.handle(), dc, rc);  // nothing held: nothing happens
  EXPECT_EQ(dc, nullptr);
}

}  // namespace
