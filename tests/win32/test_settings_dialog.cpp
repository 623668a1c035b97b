// The settings dialog in this process, in front of a real saver window:
// sliders and buttons driven by messages, the saver following them, saving.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "core/flakes.h"
#include "saver_fixture.h"
#include "win32/registry_settings.h"
#include "win32/settings_dialog.h"

namespace {

int shownPosition(HWND slider) { return static_cast<int>(::SendMessageA(slider, TBM_GETPOS, 0, 0)); }

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
  std::vector<int> shownPositions() const {
    std::vector<int> v;
    for (HWND s : sliders()) v.push_back(shownPosition(s));
    return v;
  }
  // Lit pixels of the saver above the dialog.
  long long litAboveTheDialog() const {
    RECT dialogRect{};
    ::GetWindowRect(dialogWindow, &dialogRect);
    return litScreenPixels(RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), dialogRect.top});
  }
};

TEST_F(SettingsDialogTest, FirstRunShowsTheDefaultsAndSaveStoresAlphaOne) {
  MessageBoxWatcher watcher;
  ASSERT_NE(startDialog(), nullptr);
  ASSERT_NE(saverWindow(), nullptr);
  EXPECT_TRUE(watcher.boxes().empty());
  EXPECT_TRUE(::IsWindowVisible(dialogWindow));
  EXPECT_TRUE(::IsWindowVisible(saverWindow()));
  EXPECT_EQ(::GetWindow(dialogWindow, GW_OWNER), saverWindow());
  EXPECT_EQ(shownPositions(), (std::vector<int>{3, 10, 3, 10, 5, 1}));
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{3, 10, 3, 10, 5, 0}));

  click(button("Save"));
  EXPECT_TRUE(ended());
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{3, 10, 3, 10, 5, 1}));
  endTest();
  EXPECT_FALSE(screenSaverRunningHere());
}

TEST_F(SettingsDialogTest, StoredValuesOutsideTheRangesShowClampedAndStayInMemory) {
  RegistrySandbox::setAll({-5, 11, 0, 99, 31, 0});
  startDialog();
  EXPECT_EQ(shownPositions(), (std::vector<int>{0, 10, 1, 10, 30, 1}));
  // The saver draws with the values as stored until a slider moves: at the
  // fourth tick Bright 11 gives 16, the slider's 10 would give 15.
  for (int t = 1; t <= 4; ++t) tick();
  EXPECT_EQ(systemAlpha(saverWindow()), 16);

  click(button("Save"));
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{0, 10, 1, 10, 30, 1}));
}

TEST_F(SettingsDialogTest, SlidersMovedByKeyboardAndMouseChangeTheSaverFromItsNextTick) {
  RegistrySandbox::setAll({3, 10, 3, 10, 5, 1});
  startDialog();
  const std::vector<HWND> bars = sliders();
  for (int t = 1; t <= 100; ++t) tick();
  ASSERT_EQ(systemAlpha(saverWindow()), 255);

  // Brightness one step down: the opacity at the saver's next tick.
  press(bars[1], VK_LEFT);
  EXPECT_EQ(shownPosition(bars[1]), 9);
  EXPECT_TRUE(pumpUntil([this] { return systemAlpha(saverWindow()) == 230; }));

  // Speed by a click on the track right of the thumb: one page further.
  RECT channel{};
  ::SendMessageA(bars[0], TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
  const LPARAM at = MAKELPARAM(channel.right - 2, (channel.top + channel.bottom) / 2);
  ::PostMessageA(bars[0], WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageA(bars[0], WM_LBUTTONUP, 0, at);
  pumpMessages();
  const int fast = shownPosition(bars[0]);
  EXPECT_GT(fast, 3);

  // Satiation to its minimum: from the next frame on 11 flakes of 101 are
  // drawn; back to 10, all of them again.
  tick();
  const long long all = litAboveTheDialog();
  press(bars[3], VK_HOME);
  tick();
  const long long few = litAboveTheDialog();
  EXPECT_LT(few, all / 2);
  press(bars[3], VK_END);
  tick();
  EXPECT_GT(litAboveTheDialog(), few * 2);

  // The "Rotate" slider edits Color, the "Color" slider edits Alpha.
  press(bars[4], VK_RIGHT);
  press(bars[5], VK_RIGHT);
  press(bars[2], VK_RIGHT);
  click(button("Save"));
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{fast, 9, 4, 10, 6, 2}));
}

TEST_F(SettingsDialogTest, SaveStoresAllSixSliderPositions) {
  RegistrySandbox::setAll({4, 6, 2, 7, 9, 3});
  startDialog();
  for (HWND s : sliders()) press(s, VK_END);
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{4, 6, 2, 7, 9, 3}));  // nothing stored yet
  click(button("Save"));
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{10, 10, 10, 10, 30, 10}));
  EXPECT_TRUE(ended());
}

TEST_F(SettingsDialogTest, EveryOtherWayOutStoresNothingAndWithdrawsTheNotice) {
  const struct {
    const char* what;
    std::function<void()> act;
  } ways[] = {
      {"Cancel", [this] { click(button("Cancel")); }},
      {"close box", [this] { ::PostMessageA(dialogWindow, WM_SYSCOMMAND, SC_CLOSE, 0); }},
      {"Esc on the dialog",
       [this] {
         ::SetFocus(dialogWindow);
         ::PostMessageA(dialogWindow, WM_KEYDOWN, VK_ESCAPE, 0);
       }},
      {"Esc on the saver", [this] { ::PostMessageA(saverWindow(), WM_KEYDOWN, VK_ESCAPE, 0); }},
      {"saver closed", [this] { ::PostMessageA(saverWindow(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.what);
    RegistrySandbox::setAll({4, 6, 2, 7, 9, 3});
    startDialog();
    ASSERT_TRUE(screenSaverRunningHere());
    press(sliders()[0], VK_RIGHT);
    ASSERT_EQ(shownPosition(sliders()[0]), 5);
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
  EXPECT_EQ(::GetFocus(), sliders()[0]);
  press(sliders()[0], VK_RIGHT);
  for (HWND control : {sliders()[0], button("Save"), button("Cancel")}) press(control, VK_RETURN);
  EXPECT_FALSE(ended());
  press(sliders()[2], VK_ESCAPE);
  EXPECT_TRUE(ended());
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{4, 6, 2, 7, 9, 3}));
}

TEST_F(SettingsDialogTest, TabMovesThroughSlidersThenButtons) {
  startDialog();
  std::vector<HWND> expected = sliders();
  for (const char* caption : {"Save", "Our site", "Cancel"}) expected.push_back(button(caption));
  ::SetFocus(expected[0]);
  for (std::size_t i = 1; i <= expected.size(); ++i) {
    ::PostMessageA(::GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    pumpMessages();
    EXPECT_EQ(::GetFocus(), expected[i % expected.size()]) << "after tab " << i;
  }
}

TEST_F(SettingsDialogTest, ReadErrorIsShownAndSaveKeepsEveryReadableValue) {
  RegistrySandbox::setAll({4, 6, 2, 7, 9, 3});
  RegistrySandbox::setString("Satiation", "7");
  MessageBoxWatcher watcher;
  startDialog();
  ASSERT_TRUE(watcher.waitForBoxes(1));
  EXPECT_EQ(watcher.boxes()[0].text, "Invalid data type for 'Satiation'");
  EXPECT_EQ(saverWindow(), nullptr);  // no saver behind it
  EXPECT_TRUE(::IsWindowVisible(dialogWindow));
  // The stored values, the unreadable one at its default.
  EXPECT_EQ(shownPositions(), (std::vector<int>{4, 6, 2, 10, 9, 3}));
  click(button("Save"));
  EXPECT_TRUE(ended());
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{4, 6, 2, 10, 9, 3}));
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
    const std::string command = "\"" + dir + (missing ? "no_such_browser.exe" : "show_probe.exe") + "\" \"%1\"";
    ::RegSetKeyValueA(HKEY_LOCAL_MACHINE, kCommand, nullptr, REG_SZ, command.c_str(),
                      static_cast<DWORD>(command.size() + 1));
  }
  ~BrowserStandIn() { ::DeleteFileA(record_.c_str()); }
  BrowserStandIn(const BrowserStandIn&) = delete;
  BrowserStandIn& operator=(const BrowserStandIn&) = delete;

  // The show command and the address the stand-in was started with.
  // NOTE: read until it reads whole: under Wine the file, just renamed into
  // place, now and then cannot be opened yet although it is listed.
  std::optional<std::pair<int, std::string>> started() const {
    int show = -2;
    std::string address;
    if (!waitUntil([&] { return static_cast<bool>(std::ifstream(record_) >> show >> address); })) return {};
    return std::pair{show, address};
  }

 private:
  static constexpr const char* kCommand = "Software\\Classes\\https\\shell\\open\\command";
  SavedRegistryValue savedCommand_{HKEY_LOCAL_MACHINE, kCommand, ""};
  std::string record_;
};

TEST_F(SettingsDialogTest, OurSiteAsksTheShellToShowTheHomePage) {
  BrowserStandIn browser;
  startDialog();
  click(button("Our site"));
  const auto started = browser.started();
  ASSERT_TRUE(started.has_value());
  EXPECT_EQ(started->first, SW_SHOWNORMAL);
  EXPECT_EQ(started->second, std::string("\"") + kHomePageUrl + "\"");
  // The shell ran with COM initialised apartment-threaded on this thread.
  EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
  // The saver steps back so the browser comes to the front; the dialog
  // stays, in front of the saver, and still works. (Wine 8 keeps the owned
  // dialog's topmost flag whatever it is asked, so that is not checked.)
  EXPECT_EQ(::GetWindowLongPtrA(saverWindow(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
  EXPECT_TRUE(::IsWindowVisible(dialogWindow));
  EXPECT_EQ(::GetWindow(dialogWindow, GW_OWNER), saverWindow());
  press(sliders()[0], VK_RIGHT);
  EXPECT_EQ(shownPosition(sliders()[0]), 4);
  EXPECT_FALSE(ended());
  // The dialog gives COM back as it goes.
  endTest();
  EXPECT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  ::CoUninitialize();
}

TEST_F(SettingsDialogTest, OurSiteRefusedByTheShellSaysSoAndStaysOnTop) {
  BrowserStandIn browser(true);
  startDialog();
  MessageBoxWatcher watcher;
  click(button("Our site"));
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
    startDialog(key);
    press(sliders()[0], VK_RIGHT);
    MessageBoxWatcher watcher;
    if (around) around();
    click(button("Save"));
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

