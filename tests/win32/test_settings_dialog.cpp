// The settings dialog in this process, in front of a real saver window:
// sliders, buttons and labels read back from the system, driven by messages.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "core/flakes.h"
#include "saver_fixture.h"
#include "win32/registry_settings.h"
#include "win32/settings_dialog.h"

namespace {

int shownPosition(HWND slider) { return static_cast<int>(::SendMessageA(slider, TBM_GETPOS, 0, 0)); }

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

// A key press on a control, through the program's loop.
void press(HWND control, WPARAM key) {
  ::SetFocus(control);
  ::PostMessageA(control, WM_KEYDOWN, key, 0);
  ::PostMessageA(control, WM_KEYUP, key, 0xC0000001);
  pumpMessages();
}

void click(HWND button) { ::SendMessageA(button, BM_CLICK, 0, 0); }

class SettingsDialogTest : public SaverTest {
 protected:
  std::vector<HWND> sliders() const { return {std::begin(dialog->sliders), std::end(dialog->sliders)}; }
  std::vector<int> shownPositions() const {
    std::vector<int> v;
    for (HWND s : dialog->sliders) v.push_back(shownPosition(s));
    return v;
  }
  std::vector<std::int32_t> inMemory() const {
    std::vector<std::int32_t> v;
    for (const SettingInfo& s : kSettingTable) v.push_back(activeSaver().settings.*s.value);
    return v;
  }
};

TEST_F(SettingsDialogTest, FirstRunShowsTheDefaultsAndSaveStoresAlphaOne) {
  MessageBoxWatcher watcher;
  startDialog();
  ASSERT_NE(dialog->window, nullptr);
  ASSERT_NE(dialog->saver, nullptr);
  EXPECT_TRUE(watcher.boxes().empty());
  EXPECT_TRUE(::IsWindowVisible(dialog->window));
  EXPECT_TRUE(::IsWindowVisible(saverWindow()));
  EXPECT_EQ(::GetWindow(dialog->window, GW_OWNER), saverWindow());
  EXPECT_EQ(shownPositions(), (std::vector<int>{3, 10, 3, 10, 5, 1}));
  EXPECT_EQ(inMemory(), (std::vector<std::int32_t>{3, 10, 3, 10, 5, 0}));
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{3, 10, 3, 10, 5, 0}));

  click(dialog->buttons[kSaveButton]);
  EXPECT_TRUE(ended());
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{3, 10, 3, 10, 5, 1}));
  EXPECT_EQ(inMemory(), (std::vector<std::int32_t>{3, 10, 3, 10, 5, 1}));
  endTest();
  EXPECT_FALSE(screenSaverRunningHere());
}

TEST_F(SettingsDialogTest, StoredValuesOutsideTheRangesShowClampedAndStayInMemory) {
  RegistrySandbox::setAll({-5, 11, 0, 99, 31, 0});
  startDialog();
  EXPECT_EQ(shownPositions(), (std::vector<int>{0, 10, 1, 10, 30, 1}));
  // The saver draws with the values as stored until a slider moves.
  EXPECT_EQ(inMemory(), (std::vector<std::int32_t>{-5, 11, 0, 99, 31, 0}));
  tick(activeSaver());

  click(dialog->buttons[kSaveButton]);
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{0, 10, 1, 10, 30, 1}));
}

TEST_F(SettingsDialogTest, SlidersMovedByKeyboardAndMouseChangeTheSaverFromItsNextTick) {
  RegistrySandbox::setAll({3, 10, 3, 10, 5, 1});
  startDialog();
  activeSaver().fadeLevel = 1.0000000000000007;
  tick(activeSaver());
  ASSERT_EQ(systemAlpha(saverWindow()), 255);
  activeSaver().settings.Satiation = 10;

  // Brightness one step down: the opacity at the saver's next tick.
  press(dialog->sliders[1], VK_LEFT);
  EXPECT_EQ(shownPosition(dialog->sliders[1]), 9);
  EXPECT_EQ(activeSaver().settings.Bright, 9);
  EXPECT_TRUE(pumpUntil([this] { return systemAlpha(saverWindow()) == 230; }));

  // Speed by a click on the track right of the thumb: one page further.
  RECT channel{};
  ::SendMessageA(dialog->sliders[0], TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  const LPARAM at = MAKELPARAM(channel.right - 2, (channel.top + channel.bottom) / 2);
  ::PostMessageA(dialog->sliders[0], WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageA(dialog->sliders[0], WM_LBUTTONUP, 0, at);
  pumpMessages();
  EXPECT_GT(activeSaver().settings.Fast, 3);
  EXPECT_EQ(activeSaver().settings.Fast, shownPosition(dialog->sliders[0]));
  const std::int32_t fast = activeSaver().settings.Fast;

  // Satiation to its minimum: from the next frame on only flakes 0..10 move,
  // each by the new speed.
  press(dialog->sliders[3], VK_HOME);
  EXPECT_EQ(activeSaver().settings.Satiation, 1);
  std::fill(std::begin(field().Height), std::end(field().Height), 5.0);
  tick(activeSaver());
  EXPECT_DOUBLE_EQ(field().Height[0], 5.0 - fast * 0.005);
  EXPECT_DOUBLE_EQ(field().Height[10], 5.0 - fast * 0.005);
  EXPECT_TRUE(pumpUntil([this] { return field().Height[0] < 5.0 - 0.1; }));  // real ticks go on
  EXPECT_EQ(field().Height[11], 5.0);
  EXPECT_EQ(field().Height[100], 5.0);
  // Back to 10: all flakes move again, from where they were.
  press(dialog->sliders[3], VK_END);
  EXPECT_TRUE(pumpUntil([this] { return field().Height[100] < 5.0; }));
  EXPECT_EQ(field().Height[11], field().Height[100]);

  // The "Rotate" slider edits Color, the "Color" slider edits Alpha.
  press(dialog->sliders[4], VK_RIGHT);
  press(dialog->sliders[5], VK_RIGHT);
  EXPECT_EQ(activeSaver().settings.Color, 6);
  EXPECT_EQ(activeSaver().settings.Alpha, 2);
  press(dialog->sliders[2], VK_RIGHT);
  EXPECT_EQ(activeSaver().settings.Size, 4);
}

TEST_F(SettingsDialogTest, SaveStoresAllSixSliderPositions) {
  RegistrySandbox::setAll({4, 6, 2, 7, 9, 3});
  startDialog();
  for (HWND s : sliders()) press(s, VK_END);
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{4, 6, 2, 7, 9, 3}));  // nothing stored yet
  click(dialog->buttons[kSaveButton]);
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{10, 10, 10, 10, 30, 10}));
  EXPECT_TRUE(ended());
}

TEST_F(SettingsDialogTest, EveryOtherWayOutStoresNothingAndWithdrawsTheNotice) {
  const struct {
    const char* what;
    std::function<void()> act;
  } ways[] = {
      {"Cancel", [this] { ::SendMessageA(dialog->buttons[kCancelButton], BM_CLICK, 0, 0); }},
      {"close box", [this] { ::PostMessageA(dialog->window, WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"Esc on the dialog",
       [this] {
         ::SetFocus(dialog->window);
         ::PostMessageA(dialog->window, WM_KEYDOWN, VK_ESCAPE, 0);
       }},
      {"Esc on the saver", [this] { ::PostMessageA(saverWindow(), WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"saver closed", [this] { ::PostMessageA(saverWindow(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.what);
    RegistrySandbox::setAll({4, 6, 2, 7, 9, 3});
    startDialog();
    ASSERT_TRUE(screenSaverRunningHere());
    press(dialog->sliders[0], VK_RIGHT);
    ASSERT_EQ(activeSaver().settings.Fast, 5);
    way.act();
    EXPECT_TRUE(pumpUntil([this] { return ended(); }));
    EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{4, 6, 2, 7, 9, 3}));
    endTest();
    EXPECT_FALSE(screenSaverRunningHere());
  }
}

TEST_F(SettingsDialogTest, EnterPressesNothingAndEscOnAControlEndsWithoutStoring) {
  RegistrySandbox::setAll({4, 6, 2, 7, 9, 3});
  startDialog();
  // The first slider has the focus when the dialog shows.
  EXPECT_EQ(::GetFocus(), dialog->sliders[0]);
  press(dialog->sliders[0], VK_RIGHT);
  for (HWND control : {dialog->sliders[0], dialog->buttons[kSaveButton], dialog->buttons[kCancelButton]})
    press(control, VK_RETURN);
  EXPECT_FALSE(ended());
  press(dialog->sliders[2], VK_ESCAPE);
  EXPECT_TRUE(ended());
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{4, 6, 2, 7, 9, 3}));
}

TEST_F(SettingsDialogTest, TabMovesThroughSlidersThenButtons) {
  startDialog();
  std::vector<HWND> expected = sliders();
  expected.insert(expected.end(), std::begin(dialog->buttons), std::end(dialog->buttons));
  ::SetFocus(expected[0]);
  for (std::size_t i = 1; i <= expected.size(); ++i) {
    ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    pumpMessages();
    EXPECT_EQ(::GetFocus(), expected[i % expected.size()]) << "after tab " << i;
  }
}

TEST_F(SettingsDialogTest, WindowAndControlsAsTheSystemSeesThem) {
  startDialog();
  const HWND w = dialog->window;
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
    const HWND bar = dialog->sliders[i];
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

    const HWND lbl = dialog->labels[i];
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
  } buttons[] = {{dialog->buttons[kSaveButton], 10, "Save"},
                 {dialog->buttons[kOurSiteButton], 87, "Our site"},
                 {dialog->buttons[kCancelButton], 276, "Cancel"}};
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

TEST_F(SettingsDialogTest, PaintsGreyWithYellowLabelsAndAHandOverTheControls) {
  startDialog();
  ::UpdateWindow(dialog->window);
  ::RedrawWindow(dialog->window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  const HDC dc = ::GetDC(dialog->window);
  EXPECT_EQ(::GetPixel(dc, 200, 140), RGB(128, 128, 128));  // between Our site and Cancel
  RECT lr = rectInParent(dialog->labels[1]);
  int yellow = 0;
  for (int y = lr.top; y < lr.bottom; ++y)
    for (int x = lr.left; x < lr.right; ++x)
      if (::GetPixel(dc, x, y) == RGB(225, 190, 0)) ++yellow;
  ::ReleaseDC(dialog->window, dc);
  EXPECT_GT(yellow, 20);

  const HCURSOR hand = ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32649));
  for (HWND control : {dialog->sliders[3], dialog->buttons[kOurSiteButton]}) {
    ::SetCursor(nullptr);
    ::SendMessageA(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(::GetCursor(), hand);
  }
}

TEST_F(SettingsDialogTest, FollowsADpiChange) {
  startDialog();
  RECT r{};
  ::GetWindowRect(dialog->window, &r);
  RECT suggested{r.left, r.top, r.left + 540, r.top + 270};
  ::SendMessageA(dialog->window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(dialog->dpi, 144);
  ::GetWindowRect(dialog->window, &r);
  EXPECT_EQ(r.right - r.left, 540);
  const RECT br = rectInParent(dialog->sliders[4]);
  EXPECT_EQ(br.left, 278);  // 185 * 1.5, rounded
  EXPECT_EQ(br.top, 105);
  EXPECT_EQ(br.right - br.left, 248);
  EXPECT_EQ(::SendMessageA(dialog->sliders[4], TBM_GETTHUMBLENGTH, 0, 0), 15);
  EXPECT_EQ(fontOf(dialog->labels[4]).lfHeight, -20);
  EXPECT_EQ(fontOf(dialog->buttons[kCancelButton]).lfHeight, -20);
}

TEST_F(SettingsDialogTest, ReadErrorIsShownAndTheDialogStillComesUp) {
  RegistrySandbox::setAll({3, 10, 3, 10, 5, 1});
  RegistrySandbox::setString("Satiation", "7");
  MessageBoxWatcher watcher;
  startDialog();
  ASSERT_TRUE(watcher.waitForBoxes(1));
  EXPECT_EQ(watcher.boxes()[0].text, "Invalid data type for 'Satiation'");
  EXPECT_EQ(dialog->saver, nullptr);  // no saver behind it
  EXPECT_TRUE(::IsWindowVisible(dialog->window));
  click(dialog->buttons[kCancelButton]);
  EXPECT_TRUE(ended());
}

// Points the shell's https:// handler at the test's stand-in browser for one
// test. NOTE: Wine's HKEY_CLASSES_ROOT is the machine's Software\Classes
// alone (no per-user merge), so the machine's entry is swapped and restored.
class BrowserStandIn {
 public:
  // missing: the handler names a program that does not exist, so the
  // shell refuses the request.
  explicit BrowserStandIn(bool missing = false) {
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
    set("\"" + dir + (missing ? "no_such_browser.exe" : "show_probe.exe") + "\" \"%1\"");
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

TEST_F(SettingsDialogTest, OurSiteAsksTheShellToShowTheHomePage) {
  BrowserStandIn browser;
  startDialog();
  click(dialog->buttons[kOurSiteButton]);
  const auto started = browser.started();
  ASSERT_TRUE(started.has_value());
  EXPECT_EQ(started->first, SW_SHOWNORMAL);
  EXPECT_EQ(started->second, std::string("\"") + kHomePageUrl + "\"");
  // The saver steps back so the browser comes to the front; the dialog
  // stays, in front of the saver, and still works. (Wine 8 keeps the owned
  // dialog's topmost flag whatever it is asked, so that is not checked.)
  EXPECT_EQ(::GetWindowLongPtrA(saverWindow(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_TRUE(::IsWindowVisible(dialog->window));
  EXPECT_EQ(::GetWindow(dialog->window, GW_OWNER), saverWindow());
  press(dialog->sliders[0], VK_RIGHT);
  EXPECT_EQ(activeSaver().settings.Fast, 4);
  EXPECT_FALSE(ended());
}

TEST_F(SettingsDialogTest, OurSiteRefusedByTheShellSaysSoAndStaysOnTop) {
  BrowserStandIn browser(true);
  startDialog();
  MessageBoxWatcher watcher;
  click(dialog->buttons[kOurSiteButton]);
  ASSERT_TRUE(watcher.waitForBoxes(1));
  EXPECT_EQ(watcher.boxes()[0].caption, "Flindra");
  EXPECT_EQ(watcher.boxes()[0].text, std::string("The home page could not be opened.\n\n") + kHomePageUrl);
  EXPECT_NE(::GetWindowLongPtrA(saverWindow(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_FALSE(ended());
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

TEST_F(SettingsDialogTest, FailedSaveShowsWhyAndStillEnds) {
  const auto saveWith = [this](SettingsKey* key, std::function<void()> around = nullptr) {
    RegistrySandbox::setAll({4, 6, 2, 7, 9, 3});
    startDialog();
    press(dialog->sliders[0], VK_RIGHT);
    dialog->saveKey = key;
    MessageBoxWatcher watcher;
    if (around) around();
    click(dialog->buttons[kSaveButton]);
    EXPECT_TRUE(watcher.waitForBoxes(1));
    EXPECT_TRUE(ended());
    endTest();
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

namespace {

// Every control inside the client area, none over another.
void expectControlsFitApart(const SettingsDialog& d) {
  RECT client{};
  ::GetClientRect(d.window, &client);
  std::vector<std::pair<std::string, RECT>> placed;
  for (int i = 0; i < kSettingCount; ++i) {
    placed.emplace_back(std::string("slider ") + kSettingTable[i].name, rectInParent(d.sliders[i]));
    placed.emplace_back(std::string("label ") + kSettingTable[i].label, rectInParent(d.labels[i]));
  }
  for (HWND b : d.buttons) placed.emplace_back("button " + text(b), rectInParent(b));
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

TEST_F(SettingsDialogTest, ControlsFitTheClientAreaApartAt96And144Dpi) {
  startDialog();
  expectControlsFitApart(*dialog);
  RECT r{};
  ::GetWindowRect(dialog->window, &r);
  RECT suggested{r.left, r.top, r.left + 540, r.top + 270};
  ::SendMessageA(dialog->window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  expectControlsFitApart(*dialog);
}

}  // namespace
