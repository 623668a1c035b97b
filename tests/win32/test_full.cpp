// The full-screen saver window in this process: real window, real layered
// attributes, real WGL context on Wine's OpenGL.
#include <algorithm>
#include <cmath>

#include "core/funcs.h"
#include "core/gl.h"
#include "form_fixture.h"

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

class FullScreen : public FormTest {};

TEST_F(FullScreen, WindowAsTheSystemSeesIt) {
  Application.CreateForm(Form1);
  ASSERT_NE(Form1, nullptr);
  const HWND w = Form1->Handle();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(Application.MainForm, Form1);

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

  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  const RECT r = windowRect(w);
  EXPECT_EQ(r.left, (::GetSystemMetrics(SM_CXVIRTUALSCREEN) - cx) / 2);
  EXPECT_EQ(r.top, (::GetSystemMetrics(SM_CYVIRTUALSCREEN) - cy) / 2);
  EXPECT_EQ(r.right - r.left, cx);
  EXPECT_EQ(r.bottom - r.top, cy);
  EXPECT_EQ(Form1->ClientWidth(), cx);
  EXPECT_EQ(Form1->ClientHeight(), cy);
  EXPECT_EQ(ViewWidth, cx);
  EXPECT_EQ(ViewHeight, cy);

  // Shown, still fully transparent before the first tick.
  const Layered l = layered(w);
  EXPECT_EQ(l.flags, static_cast<DWORD>(LWA_ALPHA | LWA_COLORKEY));
  EXPECT_EQ(l.key, kSaverColorKey);
  EXPECT_EQ(l.alpha, 0);

  // Surface, projection and the rest of creation.
  EXPECT_NE(Form1->DeviceContext, nullptr);
  EXPECT_NE(Form1->RenderContext, nullptr);
  EXPECT_EQ(::wglGetCurrentContext(), Form1->RenderContext);
  const Viewport v = viewport();
  EXPECT_EQ(v.width, cx);
  EXPECT_EQ(v.height, cy);
  EXPECT_NEAR(projectedAspect(), static_cast<double>(cx) / cy, 1e-6);
  EXPECT_DOUBLE_EQ(SwayStep, 0.6);  // default Fast 3, over 5
  EXPECT_TRUE(screenSaverRunningHere());
  EXPECT_EQ(Form1->Timer.Interval(), 31u);
  EXPECT_TRUE(Form1->Timer.Enabled());
  // First run: the defaults are stored.
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{3, 10, 3, 10, 5, 0}));
}

TEST_F(FullScreen, FadesInTickByTickToTheBrightnessOpacity) {
  RegistrySandbox::setAll({3, 10, 3, 10, 5, 1});
  Application.CreateForm(Form1);
  const HWND w = Form1->Handle();

  struct Row {
    std::int32_t bright;
    std::vector<int> first5, mid49to52, last98to100;
  };
  const Row rows[] = {{10, {8, 10, 12, 15, 18}, {128, 130, 133, 135}, {250, 253, 255}},
                      {5, {6, 8, 9, 10, 11}, {66, 68, 69, 70}, {128, 129, 130}},
                      {1, {5, 6, 6, 6, 6}, {17, 18, 18, 18}, {30, 30, 30}}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.bright);
    SaverSettings.Bright = row.bright;
    FadeLevel = 0;
    std::vector<int> seen{-1};  // index = tick
    for (int t = 1; t <= 103; ++t) {
      tick(*Form1);
      seen.push_back(layered(w).alpha);
      EXPECT_EQ(layered(w).flags, static_cast<DWORD>(LWA_ALPHA | LWA_COLORKEY));
      if (t == 99) {
        EXPECT_LT(FadeLevel, 1.0);
      }
      if (t >= 100) {
        EXPECT_EQ(FadeLevel, 1.0000000000000007);
      }
    }
    EXPECT_EQ(std::vector<int>(seen.begin() + 1, seen.begin() + 6), row.first5);
    EXPECT_EQ(std::vector<int>(seen.begin() + 49, seen.begin() + 53), row.mid49to52);
    EXPECT_EQ(std::vector<int>(seen.begin() + 98, seen.begin() + 101), row.last98to100);
    for (std::size_t t = 2; t <= 103; ++t) EXPECT_GE(seen[t], seen[t - 1]) << "tick " << t;
    for (std::size_t t = 100; t <= 103; ++t) EXPECT_EQ(seen[t], 25 * row.bright + 5) << "tick " << t;
  }
  // The x87 extended sum: Bright 10 at tick 9 is 27 (doubles would give 28).
  SaverSettings.Bright = 10;
  FadeLevel = 0;
  for (int t = 1; t <= 9; ++t) tick(*Form1);
  EXPECT_EQ(layered(w).alpha, 27);
}

TEST_F(FullScreen, OpacityReachesTheSystemOnlyWhenTheByteChanges) {
  RegistrySandbox::setAll({3, 1, 3, 10, 5, 1});
  Application.CreateForm(Form1);
  const HWND w = Form1->Handle();
  const auto overwrite = [w](BYTE alpha) {
    ::SetLayeredWindowAttributes(w, kSaverColorKey, alpha, LWA_ALPHA | LWA_COLORKEY);
  };
  tick(*Form1);
  tick(*Form1);
  EXPECT_EQ(layered(w).alpha, 6);
  // Ticks 3 to 5 keep 6 at Bright 1: no call, so a value put there from
  // outside stays.
  overwrite(77);
  tick(*Form1);
  tick(*Form1);
  tick(*Form1);
  EXPECT_EQ(layered(w).alpha, 77);
  EXPECT_EQ(Form1->AlphaBlendValue(), 6);

  // After the fade: nothing reaches the system until Bright changes.
  for (int t = 6; t <= 100; ++t) tick(*Form1);
  EXPECT_EQ(layered(w).alpha, 30);
  overwrite(77);
  tick(*Form1);
  EXPECT_EQ(layered(w).alpha, 77);
  SaverSettings.Bright = 9;
  tick(*Form1);
  EXPECT_EQ(layered(w).alpha, 230);
}

TEST_F(FullScreen, StoredBrightnessOutsideTheSliderSaturates) {
  const struct {
    std::int32_t bright;
    int expected;
  } cases[] = {{11, 255}, {1000000, 255}, {-1, 0}, {INT32_MIN, 0}, {0, 5}};
  for (const auto& [bright, expected] : cases) {
    SaverSettings.Bright = bright;
    FadeLevel = 1.0000000000000007;
    if (Form1 == nullptr) {
      RegistrySandbox::setAll({3, bright, 3, 10, 5, 1});
      Application.CreateForm(Form1);
    }
    tick(*Form1);
    EXPECT_EQ(layered(Form1->Handle()).alpha, expected) << "Bright " << bright;
  }
}

class CountingForm1 final : public TForm1 {
 public:
  int resizes = 0;
  void FormResize() override {
    ++resizes;
    TForm1::FormResize();
  }
};

TEST_F(FullScreen, ClientSizeChangeIsPickedUpAtTheNextTickAndProjectedOnce) {
  CountingForm1* form = nullptr;
  Application.CreateForm(form);
  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  tick(*form);
  form->resizes = 0;
  tick(*form);
  EXPECT_EQ(form->resizes, 0);

  ::SetWindowPos(form->Handle(), nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The resize event projects with the new aspect but the stored viewport.
  EXPECT_EQ(form->resizes, 1);
  EXPECT_EQ(viewport().width, cx);
  EXPECT_EQ(viewport().height, cy);
  EXPECT_NEAR(projectedAspect(), 800.0 / 600.0, 1e-6);
  EXPECT_EQ(ViewWidth, cx);

  form->resizes = 0;
  tick(*form);
  EXPECT_EQ(form->resizes, 1);
  EXPECT_EQ(ViewWidth, 800);
  EXPECT_EQ(ViewHeight, 600);
  EXPECT_EQ(viewport().width, 800);
  EXPECT_EQ(viewport().height, 600);
  tick(*form);
  EXPECT_EQ(form->resizes, 1);
}

TEST_F(FullScreen, FramesLightPixelsOnTheScreen) {
  Application.CreateForm(Form1);
  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  const RECT screen{0, 0, cx, cy};
  tick(*Form1);
  const auto first = screenPixels(screen);
  const auto lit = litPixels(first);
  EXPECT_GT(lit, 500);
  EXPECT_LT(lit, static_cast<long long>(cx) * cy / 20);  // points on black, not a filled screen
  tick(*Form1);
  const auto second = screenPixels(screen);
  EXPECT_GT(litPixels(second), 500);
  EXPECT_NE(first, second);  // the flakes moved
}

TEST_F(FullScreen, SettingsModeEndsOnlyOnEscShiftIncluded) {
  Application.CreateForm(Form1);
  const HWND w = Form1->Handle();
  ::PostMessageA(w, WM_KEYDOWN, 'A', 0);
  ::PostMessageA(w, WM_KEYDOWN, VK_SHIFT, 0);
  ::PostMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
  ::PostMessageA(w, WM_MOUSEMOVE, 0, MAKELPARAM(500, 500));
  ::PostMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(500, 500));
  ::PostMessageA(w, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(500, 500));
  Application.ProcessMessages();
  EXPECT_FALSE(Application.Terminated);
  EXPECT_TRUE(screenSaverRunningHere());

  // Esc with Shift down ends it, surface released and notice withdrawn.
  BYTE keys[256] = {};
  ::GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  ::SetKeyboardState(keys);
  ::PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(pumpUntil([] { return Application.Terminated; }));
  keys[VK_SHIFT] = 0;
  ::SetKeyboardState(keys);
  EXPECT_EQ(Form1->RenderContext, nullptr);
  EXPECT_EQ(Form1->DeviceContext, nullptr);
  EXPECT_EQ(::wglGetCurrentContext(), nullptr);
  EXPECT_FALSE(screenSaverRunningHere());
  EXPECT_FALSE(Form1->Timer.Enabled());
}

TEST_F(FullScreen, CloseReleasesTheSurfaceWithdrawsTheNoticeAndEnds) {
  Application.CreateForm(Form1);
  ASSERT_TRUE(screenSaverRunningHere());
  ::PostMessageA(Form1->Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(pumpUntil([] { return Application.Terminated; }));
  EXPECT_EQ(Form1->RenderContext, nullptr);
  EXPECT_EQ(Form1->DeviceContext, nullptr);
  EXPECT_FALSE(screenSaverRunningHere());
}

TEST_F(FullScreen, ReadErrorShowsItsTextAndTheWindowStaysUp) {
  RegistrySandbox::setAll({3, 10, 3, 10, 5, 1});
  RegistrySandbox::setString("Bright", "10");
  Application.CreateForm(Form1);
  EXPECT_EQ(errors, (std::vector<std::string>{"Invalid data type for 'Bright'"}));
  ASSERT_NE(Form1->Handle(), nullptr);
  EXPECT_TRUE(::IsWindowVisible(Form1->Handle()));
  EXPECT_EQ(Application.MainForm, Form1);
  EXPECT_FALSE(Application.Terminated);
  // The rest of creation did not happen.
  EXPECT_EQ(Form1->DeviceContext, nullptr);
  EXPECT_EQ(Form1->RenderContext, nullptr);
  EXPECT_FALSE(screenSaverRunningHere());
  // Ticks go on without a surface; Esc still ends.
  tick(*Form1);
  ::PostMessageA(Form1->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_TRUE(pumpUntil([] { return Application.Terminated; }));
  Application.DestroyForms();

  errors.clear();
  RegistrySandbox::deleteKey();
  RegistrySandbox::setDword("Fast", 3);
  Application.CreateForm(Form1);
  EXPECT_EQ(errors, (std::vector<std::string>{"Failed to get data for 'Bright'"}));
}

// Takes a different pixel format before creation asks for one, so setting
// the chosen one fails as on a display that cannot give it.
class TakenFormatForm1 final : public TForm1 {
 protected:
  void handleCreated() override {
    TForm1::handleCreated();
    const HDC dc = ::GetDC(Handle());
    PIXELFORMATDESCRIPTOR wanted{};
    wanted.nSize = sizeof wanted;
    wanted.nVersion = 1;
    wanted.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    wanted.cColorBits = 24;
    wanted.cDepthBits = 24;
    const int chosen = ::ChoosePixelFormat(dc, &wanted);
    const int count = ::DescribePixelFormat(dc, 1, sizeof wanted, nullptr);
    for (int i = 1; i <= count; ++i) {
      PIXELFORMATDESCRIPTOR pfd{};
      ::DescribePixelFormat(dc, i, sizeof pfd, &pfd);
      if (i != chosen && (pfd.dwFlags & PFD_DRAW_TO_WINDOW) != 0 && (pfd.dwFlags & PFD_SUPPORT_OPENGL) != 0 &&
          ::SetPixelFormat(dc, i, &pfd))
        break;
    }
    ::ReleaseDC(Handle(), dc);
  }
};

TEST_F(FullScreen, PixelFormatFailureShowsOneBoxAndStopsCreation) {
  MessageBoxWatcher watcher;
  TakenFormatForm1* form = nullptr;
  Application.CreateForm(form);
  ASSERT_TRUE(watcher.waitForBoxes(1));
  const auto boxes = watcher.boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Error");
  EXPECT_EQ(boxes[0].text, "SetPixelFormat failed");
  EXPECT_EQ(form->DeviceContext, nullptr);
  EXPECT_EQ(form->RenderContext, nullptr);
  EXPECT_EQ(::wglGetCurrentContext(), nullptr);
  EXPECT_FALSE(form->RunningNoticeGiven());
  EXPECT_FALSE(screenSaverRunningHere());
  EXPECT_TRUE(form->Closed());
  EXPECT_FALSE(::IsWindowVisible(form->Handle()));
  // It became the main form closed, so the application ends.
  EXPECT_EQ(Application.MainForm, form);
  EXPECT_TRUE(Application.Terminated);
  EXPECT_TRUE(errors.empty());
}

}  // namespace
