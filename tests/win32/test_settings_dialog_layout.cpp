// The settings dialog's window and controls as the system sees them: class,
// styles, places, fonts, colours and cursors at 96 DPI, and the layout after
// a DPI change.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "saver_fixture.h"
#include "win32/settings_dialog.h"

namespace {

RECT rectInParent(HWND child) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string className(HWND w) {
  char cls[64] = {};
  ::GetClassNameA(w, cls, sizeof cls);
  return cls;
}

std::string text(HWND w) {
  char t[128] = {};
  ::GetWindowTextA(w, t, sizeof t);
  return t;
}

LOGFONTA fontOf(HWND w) {
  LOGFONTA lf{};
  ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(w, WM_GETFONT, 0, 0)), sizeof lf, &lf);
  return lf;
}


using SettingsDialogLayout = SaverTest;

TEST_F(SettingsDialogLayout, WindowAndControlsAsTheSystemSeesThem) {
  const HWND w = startDialog();
  EXPECT_EQ(text(w), "Flindra Settings");
  EXPECT_EQ(className(w), "TForm2");
  const auto style = static_cast<DWORD>(::GetWindowLongPtrA(w, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrA(w, GWL_EXSTYLE));
  EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  EXPECT_NE(style & WS_SYSMENU, 0u);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX), 0u);
  EXPECT_NE(exStyle & WS_EX_TOOLWINDOW, 0u);
  EXPECT_NE(exStyle & WS_EX_TOPMOST, 0u);
  EXPECT_NE(::GetClassLongPtrA(w, GCLP_HICON), 0u);

  // Outer 360 x 180; placed from the client size against the primary screen.
  RECT r{}, c{};
  ::GetWindowRect(w, &r);
  ::GetClientRect(w, &c);
  EXPECT_EQ(r.right - r.left, 360);
  EXPECT_EQ(r.bottom - r.top, 180);
  EXPECT_LT(c.right, 360);
  EXPECT_LT(c.bottom, 180);
  EXPECT_EQ(r.left, ::GetSystemMetrics(SM_CXSCREEN) / 2 - c.right / 2);
  EXPECT_EQ(r.top, ::GetSystemMetrics(SM_CYSCREEN) - c.bottom - 50);

  // Children in creation order: six trackbars, three buttons, six labels.
  std::vector<std::string> classes;
  for (HWND child = ::GetWindow(w, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
    classes.push_back(className(child));
  std::vector<std::string> expectedClasses(6, TRACKBAR_CLASSA);
  expectedClasses.insert(expectedClasses.end(), 3, "Button");
  expectedClasses.insert(expectedClasses.end(), 6, "Static");
  EXPECT_EQ(classes, expectedClasses);

  const struct {
    int left, top, min, max, labelLeft, labelTop;
    const char* label;
  } rows[] = {{5, 25, 0, 10, 23, 5, "Speed"},        {5, 70, 1, 10, 23, 50, "Brightness"},
              {5, 115, 1, 10, 23, 95, "Size"},        {185, 25, 1, 10, 205, 5, "Satiation"},
              {185, 70, 1, 30, 205, 50, "Rotate"},    {185, 115, 1, 10, 205, 95, "Color"}};
  for (int i = 0; i < kSettingCount; ++i) {
    SCOPED_TRACE(rows[i].label);
    const HWND bar = sliders()[static_cast<std::size_t>(i)];
    const RECT br = rectInParent(bar);
    EXPECT_EQ(br.left, rows[i].left);
    EXPECT_EQ(br.top, rows[i].top);
    EXPECT_EQ(br.right - br.left, 165);
    EXPECT_EQ(br.bottom - br.top, 10);
    EXPECT_EQ(::SendMessageA(bar, TBM_GETRANGEMIN, 0, 0), rows[i].min);
    EXPECT_EQ(::SendMessageA(bar, TBM_GETRANGEMAX, 0, 0), rows[i].max);
    EXPECT_EQ(::SendMessageA(bar, TBM_GETTHUMBLENGTH, 0, 0), 10);
    EXPECT_EQ(::SendMessageA(bar, TBM_GETNUMTICS, 0, 0), rows[i].max - rows[i].min + 1);
    const auto barStyle = static_cast<DWORD>(::GetWindowLongPtrA(bar, GWL_STYLE));
    EXPECT_EQ(barStyle & (TBS_VERT | TBS_TOP | TBS_BOTH | TBS_NOTICKS), 0u);  // horizontal, ticks below
    EXPECT_NE(barStyle & TBS_AUTOTICKS, 0u);
    EXPECT_NE(barStyle & WS_TABSTOP, 0u);

    const HWND lbl = labels()[static_cast<std::size_t>(i)];
    EXPECT_EQ(text(lbl), rows[i].label);
    EXPECT_EQ(rectInParent(lbl).left, rows[i].labelLeft);
    EXPECT_EQ(rectInParent(lbl).top, rows[i].labelTop);
    const LOGFONTA lf = fontOf(lbl);
    EXPECT_EQ(lf.lfHeight, -13);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
  }

  const struct {
    HWND button;
    int left;
    const char* caption;
  } buttons[] = {{button("Save"), 10, "Save"}, {button("Our site"), 87, "Our site"}, {button("Cancel"), 276, "Cancel"}};
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.caption);
    const HWND h = b.button;
    EXPECT_EQ(text(h), b.caption);
    const RECT br = rectInParent(h);
    EXPECT_EQ(br.left, b.left);
    EXPECT_EQ(br.top, 135);
    EXPECT_EQ(br.right - br.left, 70);
    EXPECT_EQ(br.bottom - br.top, 17);
    const auto buttonStyle = static_cast<DWORD>(::GetWindowLongPtrA(h, GWL_STYLE));
    EXPECT_EQ(buttonStyle & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON));  // never the default button
    const LOGFONTA lf = fontOf(h);
    EXPECT_EQ(lf.lfHeight, -13);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_STREQ(lf.lfFaceName, "Courier New");
  }
}

TEST_F(SettingsDialogLayout, PaintsGreyWithYellowLabelsAndAHandOverTheControls) {
  const HWND w = startDialog();
  ::UpdateWindow(w);
  ::RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  const HDC dc = ::GetDC(w);
  EXPECT_EQ(::GetPixel(dc, 200, 140), RGB(128, 128, 128));  // between Our site and Cancel
  RECT lr = rectInParent(labels()[1]);
  int yellow = 0;
  for (int y = lr.top; y < lr.bottom; ++y)
    for (int x = lr.left; x < lr.right; ++x)
      if (::GetPixel(dc, x, y) == RGB(225, 190, 0)) ++yellow;
  ::ReleaseDC(w, dc);
  EXPECT_GT(yellow, 20);

  const HCURSOR hand = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
  for (HWND control : {sliders()[3], button("Our site")}) {
    ::SetCursor(nullptr);
    ::SendMessageA(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), hand);
  }
}

TEST_F(SettingsDialogLayout, FollowsADpiChange) {
  const HWND w = startDialog();
  RECT r{};
  ::GetWindowRect(w, &r);
  RECT suggested{r.left, r.top, r.left + 540, r.top + 270};
  ::SendMessageA(w, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  ::GetWindowRect(w, &r);
  EXPECT_EQ(r.right - r.left, 540);
  const RECT br = rectInParent(sliders()[4]);
  EXPECT_EQ(br.left, 278);  // 185 * 1.5, rounded
  EXPECT_EQ(br.top, 105);
  EXPECT_EQ(br.right - br.left, 248);
  EXPECT_EQ(::SendMessageA(sliders()[4], TBM_GETTHUMBLENGTH, 0, 0), 15);
  EXPECT_EQ(fontOf(labels()[4]).lfHeight, -20);
  EXPECT_EQ(fontOf(button("Cancel")).lfHeight, -20);
}

// Every control inside the client area, none over another.
void expectControlsFitApart(HWND dialog) {
  RECT client{};
  ::GetClientRect(dialog, &client);
  std::vector<std::pair<std::string, RECT>> placed;
  for (HWND c = ::GetWindow(dialog, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT))
    placed.emplace_back(className(c) + " " + text(c), rectInParent(c));
  for (std::size_t i = 0; i < placed.size(); ++i) {
    RECT inside{};
    ::IntersectRect(&inside, &placed[i].second, &client);
    EXPECT_TRUE(::EqualRect(&inside, &placed[i].second)) << placed[i].first << " leaves the client area";
    for (std::size_t j = i + 1; j < placed.size(); ++j) {
      RECT both{};
      EXPECT_FALSE(::IntersectRect(&both, &placed[i].second, &placed[j].second))
          << placed[i].first << " overlaps " << placed[j].first;
    }
  }
}

TEST_F(SettingsDialogLayout, ControlsFitTheClientAreaApartAt96And144Dpi) {
  const HWND w = startDialog();
  expectControlsFitApart(w);
  RECT r{};
  ::GetWindowRect(w, &r);
  RECT suggested{r.left, r.top, r.left + 540, r.top + 270};
  ::SendMessageA(w, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  expectControlsFitApart(w);
}


}  // namespace
