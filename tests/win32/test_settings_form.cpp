// The settings dialog in this process, in front of a real saver window:
// sliders, buttons and labels read back from the system, driven by messages.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "core/funcs.h"
#include "form_fixture.h"
#include "win32/Settings_win32.h"
#include "win32/SettingsForm.h"

namespace {

int shownPosition(const TTrackBar& bar) {
  return static_cast<int>(::SendMessageA(bar.Handle(), TBM_GETPOS, 0, 0));
}

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

BYTE systemAlpha(HWND w) {
  BYTE alpha = 0;
  ::GetLayeredWindowAttributes(w, nullptr, &alpha, nullptr);
  return alpha;
}

// A key press on a control, through the application's loop.
void press(HWND control, WPARAM key) {
  ::SetFocus(control);
  ::PostMessageA(control, WM_KEYDOWN, key, 0);
  ::PostMessageA(control, WM_KEYUP, key, 0xC0000001);
  Application.ProcessMessages();
}

class SettingsDialog : public FormTest {
 protected:
  std::vector<TTrackBar*> sliders() const {
    return {&Form2->TrackBar1, &Form2->TrackBar2, &Form2->TrackBar3,
            &Form2->TrackBar4, &Form2->TrackBar5, &Form2->TrackBar6};
  }
  std::vector<TLabel*> labels() const {
    return {&Form2->Label1, &Form2->Label2, &Form2->Label3, &Form2->Label4, &Form2->Label5, &Form2->Label6};
  }
  std::vector<int> shownPositions() const {
    std::vector<int> v;
    for (TTrackBar* s : sliders()) v.push_back(shownPosition(*s));
    return v;
  }
  static std::vector<std::int32_t> inMemory() {
    std::int32_t v[kSettingCount];
    CurrentSettings(v);
    return {v, v + kSettingCount};
  }
  static void click(const TButton& button) { ::SendMessageA(button.Handle(), BM_CLICK, 0, 0); }
};

TEST_F(SettingsDialog, FirstRunShowsTheDefaultsAndSaveStoresAlphaOne) {
  Application.CreateForm(Form2);
  ASSERT_NE(Form2->Handle(), nullptr);
  ASSERT_NE(Form1, nullptr);
  EXPECT_TRUE(errors.empty());
  EXPECT_EQ(Application.MainForm, Form1);
  EXPECT_TRUE(::IsWindowVisible(Form2->Handle()));
  EXPECT_TRUE(::IsWindowVisible(Form1->Handle()));
  EXPECT_EQ(::GetWindow(Form2->Handle(), GW_OWNER), Form1->Handle());
  EXPECT_EQ(shownPositions(), (std::vector<int>{3, 10, 3, 10, 5, 1}));
  EXPECT_EQ(inMemory(), (std::vector<std::int32_t>{3, 10, 3, 10, 5, 0}));
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{3, 10, 3, 10, 5, 0}));

  click(Form2->Button1);
  EXPECT_TRUE(Application.Terminated);
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{3, 10, 3, 10, 5, 1}));
  EXPECT_EQ(inMemory(), (std::vector<std::int32_t>{3, 10, 3, 10, 5, 1}));
  Application.DestroyForms();
  EXPECT_FALSE(screenSaverRunningHere());
}

TEST_F(SettingsDialog, StoredValuesOutsideTheRangesShowClampedAndStayInMemory) {
  RegistrySandbox::setAll({-5, 11, 0, 99, 31, 0});
  Application.CreateForm(Form2);
  EXPECT_EQ(shownPositions(), (std::vector<int>{0, 10, 1, 10, 30, 1}));
  for (TTrackBar* s : sliders()) EXPECT_EQ(s->Position(), shownPosition(*s));
  // The saver window loaded the store again after the sliders were set.
  EXPECT_EQ(inMemory(), (std::vector<std::int32_t>{-5, 11, 0, 99, 31, 0}));
  tick(*Form1);
  EXPECT_TRUE(errors.empty());

  click(Form2->Button1);
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{0, 10, 1, 10, 30, 1}));
}

TEST_F(SettingsDialog, SettingASliderRunsItsChangeHandlerOnlyWhenThePositionChanges) {
  RegistrySandbox::setAll({3, 10, 3, 10, 5, 1});
  Application.CreateForm(Form2);
  TTrackBar& speed = Form2->TrackBar1;
  SaverSettings.Fast = 42;
  speed.SetPosition(3);  // already shown: no handler
  EXPECT_EQ(SaverSettings.Fast, 42);
  speed.SetPosition(-7);  // clamped to 0, a change
  EXPECT_EQ(SaverSettings.Fast, 0);
  EXPECT_EQ(shownPosition(speed), 0);
  speed.SetPosition(1000);
  EXPECT_EQ(SaverSettings.Fast, 10);
  EXPECT_EQ(shownPosition(speed), 10);
}

TEST_F(SettingsDialog, SlidersMovedByKeyboardAndMouseChangeTheSaverFromItsNextTick) {
  RegistrySandbox::setAll({3, 10, 3, 10, 5, 1});
  Application.CreateForm(Form2);
  FadeLevel = 1.0000000000000007;
  tick(*Form1);
  ASSERT_EQ(systemAlpha(Form1->Handle()), 255);
  SaverSettings.Satiation = 10;

  // Brightness one step down: the opacity at the saver's next tick.
  press(Form2->TrackBar2.Handle(), VK_LEFT);
  EXPECT_EQ(shownPosition(Form2->TrackBar2), 9);
  EXPECT_EQ(SaverSettings.Bright, 9);
  EXPECT_TRUE(pumpUntil([] { return systemAlpha(Form1->Handle()) == 230; }));

  // Speed by a click on the track right of the thumb: one page further.
  RECT channel{};
  ::SendMessageA(Form2->TrackBar1.Handle(), TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  const LPARAM at = MAKELPARAM(channel.right - 2, (channel.top + channel.bottom) / 2);
  ::PostMessageA(Form2->TrackBar1.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageA(Form2->TrackBar1.Handle(), WM_LBUTTONUP, 0, at);
  Application.ProcessMessages();
  EXPECT_GT(SaverSettings.Fast, 3);
  EXPECT_EQ(SaverSettings.Fast, shownPosition(Form2->TrackBar1));
  const std::int32_t fast = SaverSettings.Fast;

  // Satiation to its minimum: from the next frame on only flakes 0..10 move,
  // each by the new speed.
  press(Form2->TrackBar4.Handle(), VK_HOME);
  EXPECT_EQ(SaverSettings.Satiation, 1);
  std::fill(std::begin(FlakeTable.Height), std::end(FlakeTable.Height), 5.0);
  tick(*Form1);
  EXPECT_DOUBLE_EQ(FlakeTable.Height[0], 5.0 - fast * 0.005);
  EXPECT_DOUBLE_EQ(FlakeTable.Height[10], 5.0 - fast * 0.005);
  EXPECT_TRUE(pumpUntil([] { return FlakeTable.Height[0] < 5.0 - 0.1; }));  // real ticks go on
  EXPECT_EQ(FlakeTable.Height[11], 5.0);
  EXPECT_EQ(FlakeTable.Height[100], 5.0);
  // Back to 10: all flakes move again, from where they were.
  press(Form2->TrackBar4.Handle(), VK_END);
  EXPECT_TRUE(pumpUntil([] { return FlakeTable.Height[100] < 5.0; }));
  EXPECT_EQ(FlakeTable.Height[11], FlakeTable.Height[100]);

  // The "Rotate" slider edits Color, the "Color" slider edits Alpha.
  press(Form2->TrackBar5.Handle(), VK_RIGHT);
  press(Form2->TrackBar6.Handle(), VK_RIGHT);
  EXPECT_EQ(SaverSettings.Color, 6);
  EXPECT_EQ(SaverSettings.Alpha, 2);
  press(Form2->TrackBar3.Handle(), VK_RIGHT);
  EXPECT_EQ(SaverSettings.Size, 4);
  EXPECT_TRUE(errors.empty());
}

TEST_F(SettingsDialog, SaveStoresAllSixSliderPositions) {
  RegistrySandbox::setAll({4, 6, 2, 7, 9, 3});
  Application.CreateForm(Form2);
  for (TTrackBar* s : sliders()) press(s->Handle(), VK_END);
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{4, 6, 2, 7, 9, 3}));  // nothing stored yet
  click(Form2->Button1);
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{10, 10, 10, 10, 30, 10}));
  EXPECT_TRUE(Application.Terminated);
}

TEST_F(SettingsDialog, EveryOtherWayOutStoresNothingAndWithdrawsTheNotice) {
  const struct {
    const char* what;
    void (*act)();
  } ways[] = {
      {"Cancel", [] { ::SendMessageA(Form2->Button3.Handle(), BM_CLICK, 0, 0); }},
      {"close box", [] { ::PostMessageA(Form2->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"Esc on the dialog",
       [] {
         ::SetFocus(Form2->Handle());
         ::PostMessageA(Form2->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
       }},
      {"Esc on the saver", [] { ::PostMessageA(Form1->Handle(), WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"saver closed", [] { ::PostMessageA(Form1->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.what);
    RegistrySandbox::setAll({4, 6, 2, 7, 9, 3});
    Application.CreateForm(Form2);
    ASSERT_TRUE(screenSaverRunningHere());
    press(Form2->TrackBar1.Handle(), VK_RIGHT);
    ASSERT_EQ(SaverSettings.Fast, 5);
    way.act();
    EXPECT_TRUE(pumpUntil([] { return Application.Terminated; }));
    EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{4, 6, 2, 7, 9, 3}));
    Application.DestroyForms();
    EXPECT_FALSE(screenSaverRunningHere());
  }
}

TEST_F(SettingsDialog, EscAndEnterOnAControlDoNothing) {
  RegistrySandbox::setAll({4, 6, 2, 7, 9, 3});
  Application.CreateForm(Form2);
  // The first slider has the focus when the dialog shows.
  EXPECT_EQ(::GetFocus(), Form2->TrackBar1.Handle());
  for (HWND control : {Form2->TrackBar1.Handle(), Form2->Button1.Handle(), Form2->Button3.Handle()}) {
    press(control, VK_ESCAPE);
    press(control, VK_RETURN);
  }
  EXPECT_FALSE(Application.Terminated);
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{4, 6, 2, 7, 9, 3}));
}

TEST_F(SettingsDialog, TabMovesThroughSlidersThenButtons) {
  Application.CreateForm(Form2);
  std::vector<HWND> expected;
  for (TTrackBar* s : sliders()) expected.push_back(s->Handle());
  for (const TButton* b : {&Form2->Button1, &Form2->Button2, &Form2->Button3}) expected.push_back(b->Handle());
  ::SetFocus(expected[0]);
  for (std::size_t i = 1; i <= expected.size(); ++i) {
    ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    Application.ProcessMessages();
    EXPECT_EQ(::GetFocus(), expected[i % expected.size()]) << "after tab " << i;
  }
}

TEST_F(SettingsDialog, WindowAndControlsAsTheSystemSeesThem) {
  Application.CreateForm(Form2);
  const HWND w = Form2->Handle();
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
    const HWND bar = sliders()[static_cast<std::size_t>(i)]->Handle();
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

    const HWND lbl = labels()[static_cast<std::size_t>(i)]->Handle();
    EXPECT_EQ(text(lbl), rows[i].label);
    EXPECT_EQ(rectInParent(lbl).left, rows[i].labelLeft);
    EXPECT_EQ(rectInParent(lbl).top, rows[i].labelTop);
    const LOGFONTA lf = fontOf(lbl);
    EXPECT_EQ(lf.lfHeight, -13);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(labels()[static_cast<std::size_t>(i)]->Font.Color, RGB(225, 190, 0));
  }

  const struct {
    const TButton* button;
    int left;
    const char* caption;
  } buttons[] = {{&Form2->Button1, 10, "Save"}, {&Form2->Button2, 87, "Our site"}, {&Form2->Button3, 276, "Cancel"}};
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.caption);
    const HWND h = b.button->Handle();
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

TEST_F(SettingsDialog, PaintsGreyWithYellowLabelsAndAHandOverTheControls) {
  Application.CreateForm(Form2);
  ::UpdateWindow(Form2->Handle());
  ::RedrawWindow(Form2->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  const HDC dc = ::GetDC(Form2->Handle());
  EXPECT_EQ(::GetPixel(dc, 200, 140), RGB(128, 128, 128));  // between Our site and Cancel
  RECT lr = rectInParent(Form2->Label2.Handle());
  int yellow = 0;
  for (int y = lr.top; y < lr.bottom; ++y)
    for (int x = lr.left; x < lr.right; ++x)
      if (::GetPixel(dc, x, y) == RGB(225, 190, 0)) ++yellow;
  ::ReleaseDC(Form2->Handle(), dc);
  EXPECT_GT(yellow, 20);

  const HCURSOR hand = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
  for (HWND control : {Form2->TrackBar4.Handle(), Form2->Button2.Handle()}) {
    ::SetCursor(nullptr);
    ::SendMessageA(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), hand);
  }
}

TEST_F(SettingsDialog, FollowsADpiChange) {
  Application.CreateForm(Form2);
  RECT r{};
  ::GetWindowRect(Form2->Handle(), &r);
  RECT suggested{r.left, r.top, r.left + 540, r.top + 270};
  ::SendMessageA(Form2->Handle(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(Form2->Dpi(), 144);
  EXPECT_EQ(Form2->Width(), 540);
  const RECT br = rectInParent(Form2->TrackBar5.Handle());
  EXPECT_EQ(br.left, 278);  // 185 * 1.5, rounded
  EXPECT_EQ(br.top, 105);
  EXPECT_EQ(br.right - br.left, 248);
  EXPECT_EQ(::SendMessageA(Form2->TrackBar5.Handle(), TBM_GETTHUMBLENGTH, 0, 0), 15);
  EXPECT_EQ(fontOf(Form2->Label5.Handle()).lfHeight, -20);
  EXPECT_EQ(fontOf(Form2->Button3.Handle()).lfHeight, -20);
}

TEST_F(SettingsDialog, ReadErrorIsShownAndTheDialogStillComesUp) {
  RegistrySandbox::setAll({3, 10, 3, 10, 5, 1});
  RegistrySandbox::setString("Satiation", "7");
  Application.CreateForm(Form2);
  EXPECT_EQ(errors, (std::vector<std::string>{"Invalid data type for 'Satiation'"}));
  EXPECT_EQ(Form1, nullptr);  // the rest of creation did not happen
  EXPECT_EQ(Application.MainForm, Form2);
  EXPECT_TRUE(::IsWindowVisible(Form2->Handle()));
  click(Form2->Button3);
  EXPECT_TRUE(Application.Terminated);
}

// Points the shell's https:// handler at the test's stand-in browser for one
// test. NOTE: Wine's HKEY_CLASSES_ROOT is the machine's Software\Classes
// alone (no per-user merge), so the machine's entry is swapped and restored.
class BrowserStandIn {
 public:
  BrowserStandIn() {
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string dir = std::string(self).substr(0, std::string(self).find_last_of("\\/") + 1);
    record_ = dir + "show_probe.txt";
    ::DeleteFileA(record_.c_str());
    char saved[1024] = {};
    DWORD size = sizeof saved;
    had_ = ::RegGetValueA(HKEY_LOCAL_MACHINE, kCommand, nullptr, RRF_RT_REG_SZ, nullptr, saved, &size) ==
           ERROR_SUCCESS;
    saved_ = saved;
    set("\"" + dir + "show_probe.exe\" \"%1\"");
  }
  ~BrowserStandIn() {
    if (had_)
      set(saved_);
    else
      ::RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kCommand, nullptr);
    ::DeleteFileA(record_.c_str());
  }
  BrowserStandIn(const BrowserStandIn&) = delete;
  BrowserStandIn& operator=(const BrowserStandIn&) = delete;

  // The show command and the address the stand-in was started with.
  std::optional<std::pair<int, std::string>> started() const {
    if (!waitUntil([this] { return ::GetFileAttributesA(record_.c_str()) != INVALID_FILE_ATTRIBUTES; })) return {};
    std::ifstream in(record_);
    int show = -2;
    std::string address;
    in >> show >> address;
    return std::pair{show, address};
  }

 private:
  static void set(const std::string& command) {
    ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, kCommand, nullptr, REG_SZ, command.c_str(),
                      static_cast<DWORD>(command.size() + 1));
  }
  static constexpr const char* kCommand = "Software\\Classes\\https\\shell\\open\\command";
  std::string record_, saved_;
  bool had_ = false;
};

TEST_F(SettingsDialog, OurSiteAsksTheShellToShowTheHomePage) {
  BrowserStandIn browser;
  Application.CreateForm(Form2);
  click(Form2->Button2);
  const auto started = browser.started();
  ASSERT_TRUE(started.has_value());
  EXPECT_EQ(started->first, SW_SHOWNORMAL);
  EXPECT_EQ(started->second, std::string("\"") + kHomePageUrl + "\"");
  EXPECT_FALSE(Application.Terminated);  // the dialog stays
}

// A settings key that refuses to open or to write, as a full or broken
// store would.
class RefusingKey final : public SettingsKey {
 public:
  bool refuseOpen = false;
  bool openOrCreate() override { return !refuseOpen; }
  bool openExisting() override { return !refuseOpen; }
  StoredValue read(const char*) override { return StoredValue{}; }
  bool write(const char*, std::int32_t) override { return false; }
  void close() override {}
  std::string failureReason() const override { return "the store is read-only"; }
};

// The real registry key, deleted behind its back once it is open, so the
// writes fail in the registry itself.
class DeletedUnderneathKey final : public SettingsKey {
 public:
  bool openExisting() override { return real.openExisting(); }
  bool openOrCreate() override {
    const bool opened = real.openOrCreate();
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKeyPath);
    return opened;
  }
  StoredValue read(const char* name) override { return real.read(name); }
  bool write(const char* name, std::int32_t value) override { return real.write(name, value); }
  void close() override { real.close(); }
  std::string failureReason() const override { return real.failureReason(); }
  RegistrySettingsKey real;
};

TEST_F(SettingsDialog, FailedSaveShowsWhyAndStillEnds) {
  const auto saveWith = [this](SettingsKey* key, std::function<void()> around = nullptr) {
    RegistrySandbox::setAll({4, 6, 2, 7, 9, 3});
    Application.CreateForm(Form2);
    press(Form2->TrackBar1.Handle(), VK_RIGHT);
    Form2->SaveKey = key;
    MessageBoxWatcher watcher;
    if (around) around();
    click(Form2->Button1);
    EXPECT_TRUE(watcher.waitForBoxes(1));
    EXPECT_TRUE(Application.Terminated);
    Application.DestroyForms();
    const auto boxes = watcher.boxes();
    EXPECT_EQ(boxes.size(), 1u);
    return boxes.empty() ? MessageBoxWatcher::Box{} : boxes[0];
  };

  RefusingKey refusing;
  refusing.refuseOpen = true;
  auto box = saveWith(&refusing);
  EXPECT_EQ(box.caption, "Flindra");
  EXPECT_EQ(box.text,
            "The settings could not be saved.\n\nThe key HKEY_CURRENT_USER\\Software\\Flindra could not be opened or "
            "created: the store is read-only");

  refusing.refuseOpen = false;
  box = saveWith(&refusing);
  EXPECT_EQ(box.text, "The settings could not be saved.\n\nFailed to set data for 'Fast': the store is read-only");

  // The registry itself failing: a write into a key deleted underneath.
  DeletedUnderneathKey deleted;
  box = saveWith(&deleted);
  EXPECT_EQ(box.text.rfind("The settings could not be saved.\n\nFailed to set data for 'Fast': ", 0), 0u) << box.text;
  EXPECT_NE(box.text.find("(error 1018)"), std::string::npos) << box.text;  // ERROR_KEY_DELETED

  // The registry refusing to open or create: the user's root mapped onto a
  // deleted key for the save.
  HKEY doomed = nullptr;
  box = saveWith(nullptr, [&doomed] {
    ::RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\FlindraTestDoomed", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &doomed, nullptr);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\FlindraTestDoomed");
    ::RegOverridePredefKey(HKEY_CURRENT_USER, doomed);
  });
  ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  ::RegCloseKey(doomed);
  EXPECT_EQ(box.text.rfind("The settings could not be saved.\n\nThe key HKEY_CURRENT_USER\\Software\\Flindra could "
                           "not be opened or created: ",
                           0),
            0u)
      << box.text;
  EXPECT_NE(box.text.find("(error 1018)"), std::string::npos) << box.text;
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{4, 6, 2, 7, 9, 3}));
}

}  // namespace
