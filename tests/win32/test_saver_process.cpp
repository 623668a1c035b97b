// flindra.scr started as the host starts it, checked from outside: which
// window a switch opens, how the program ends, its exit code, the running
// notice and the error box.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "core/settings.h"
#include "support.h"

namespace {

using SaverRun = SaverProcessTest;

TEST_F(SaverRun, SwitchesWithoutCOrPStartTheFullScreenSaverAndEscEndsIt) {
  // "\"\"" is an empty argument, which is not the same as none.
  for (const char* args : {"/s", "\"\"", "-S", "c", "\"/a\""}) {
    SCOPED_TRACE(args);
    SaverProcess saver(args);
    const HWND w = saver.waitForWindow("TForm1");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(saver.window("TForm2"), nullptr);
    EXPECT_TRUE(waitUntil(screenSaverRunningSystemWide));
    ::PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(saver.waitForExit(), 0u);
    EXPECT_FALSE(screenSaverRunningSystemWide());
  }
}

TEST_F(SaverRun, SettingsSwitchOpensTheDialogInFrontOfTheSaver) {
  // No argument at all is how Explorer's Configure command starts a saver.
  for (const char* args : {"/c", "/C", "-c:567", "/c:123", ""}) {
    SCOPED_TRACE(args);
    SaverProcess saver(args);
    const HWND dialog = saver.waitForWindow("TForm2");
    ASSERT_NE(dialog, nullptr);
    const HWND full = saver.waitForWindow("TForm1");
    ASSERT_NE(full, nullptr);
    // The dialog is above the saver in the z order.
    bool dialogFirst = false;
    for (HWND w = ::GetTopWindow(nullptr); w != nullptr; w = ::GetWindow(w, GW_HWNDNEXT)) {
      if (w == dialog) {
        dialogFirst = true;
        break;
      }
      if (w == full) break;
    }
    EXPECT_TRUE(dialogFirst);
    ::PostMessageA(full, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(saver.waitForExit(), 0u);
  }
}

TEST_F(SaverRun, SaveInTheDialogStoresAndEndsWithExitCodeZero) {
  RegistrySandbox::setAll({4, 6, 2, 7, 9, 0});
  SaverProcess saver("/c");
  const HWND dialog = saver.waitForWindow("TForm2");
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(waitUntil(screenSaverRunningSystemWide));
  const HWND save = ::FindWindowExA(dialog, nullptr, "Button", "Save");
  ASSERT_NE(save, nullptr);
  ::SendMessageA(save, BM_CLICK, 0, 0);
  EXPECT_EQ(saver.waitForExit(), 0u);
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{4, 6, 2, 7, 9, 1}));
  EXPECT_FALSE(screenSaverRunningSystemWide());
}

// The system's DPI as a newly started process reads it, set for one test.
class SystemDpi {
 public:
  explicit SystemDpi(DWORD dpi) {
    DWORD size = sizeof saved_;
    had_ = ::RegGetValueA(HKEY_CURRENT_USER, kDesktop, "LogPixels", RRF_RT_REG_DWORD, nullptr, &saved_, &size) ==
           ERROR_SUCCESS;
    ::RegSetKeyValueA(HKEY_CURRENT_USER, kDesktop, "LogPixels", REG_DWORD, &dpi, sizeof dpi);
  }
  ~SystemDpi() {
    if (had_)
      ::RegSetKeyValueA(HKEY_CURRENT_USER, kDesktop, "LogPixels", REG_DWORD, &saved_, sizeof saved_);
    else
      ::RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktop, "LogPixels");
  }
  SystemDpi(const SystemDpi&) = delete;
  SystemDpi& operator=(const SystemDpi&) = delete;

 private:
  static constexpr const char* kDesktop = "Control Panel\\Desktop";
  DWORD saved_ = 0;
  bool had_ = false;
};

TEST_F(SaverRun, AtOneAndAHalfTimesTheDpiTheDialogScalesAndTheSaverStaysInPixels) {
  SystemDpi dpi(144);
  SaverProcess saver("/c");
  const HWND dialog = saver.waitForWindow("TForm2");
  const HWND full = saver.waitForWindow("TForm1");
  ASSERT_NE(dialog, nullptr);
  ASSERT_NE(full, nullptr);
  RECT r{}, c{};
  ::GetWindowRect(dialog, &r);
  ::GetClientRect(dialog, &c);
  EXPECT_EQ(r.right - r.left, 540);
  EXPECT_EQ(r.bottom - r.top, 270);
  EXPECT_EQ(r.left, ::GetSystemMetrics(SM_CXSCREEN) / 2 - c.right / 2);
  EXPECT_EQ(r.top, ::GetSystemMetrics(SM_CYSCREEN) - c.bottom - 75);
  const HWND cancel = ::FindWindowExA(dialog, nullptr, "Button", "Cancel");
  ASSERT_NE(cancel, nullptr);
  RECT b{};
  ::GetWindowRect(cancel, &b);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&b), 2);
  EXPECT_EQ(b.left, 414);
  EXPECT_EQ(b.top, 203);  // 135 * 1.5, rounded
  EXPECT_EQ(b.right - b.left, 105);
  EXPECT_EQ(b.bottom - b.top, 26);
  const HWND speed = ::FindWindowExA(dialog, nullptr, "msctls_trackbar32", nullptr);
  ASSERT_NE(speed, nullptr);
  EXPECT_EQ(::SendMessageA(speed, TBM_GETTHUMBLENGTH, 0, 0), 15);
  // The saver covers the screen in real pixels.
  ::GetWindowRect(full, &r);
  EXPECT_EQ(r.right - r.left, ::GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(r.bottom - r.top, ::GetSystemMetrics(SM_CYSCREEN));
  ::SendMessageA(cancel, BM_CLICK, 0, 0);
  EXPECT_EQ(saver.waitForExit(), 0u);
}

TEST_F(SaverRun, ShiftEscOnTheSaverEndsSettingsModeWithoutSaving) {
  RegistrySandbox::setAll({4, 6, 2, 7, 9, 3});
  SaverProcess saver("/c");
  const HWND dialog = saver.waitForWindow("TForm2");
  const HWND full = saver.waitForWindow("TForm1");
  ASSERT_NE(dialog, nullptr);
  ASSERT_NE(full, nullptr);
  // A click on the saver beside the dialog gives it the keyboard; in
  // settings mode keys other than Esc, clicks and movement leave it running.
  sendMouseMoveTo(40, 40);
  sendMouseClick();
  sendKey('A', true), sendKey('A', false);
  ASSERT_TRUE(waitUntil([&] { return ::GetForegroundWindow() == full; }, 3000));
  EXPECT_FALSE(saver.waitForExit(200).has_value());
  sendKey(VK_SHIFT, true);
  sendKey(VK_ESCAPE, true);
  sendKey(VK_ESCAPE, false);
  sendKey(VK_SHIFT, false);
  EXPECT_EQ(saver.waitForExit(), 0u);
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{4, 6, 2, 7, 9, 3}));
  EXPECT_FALSE(screenSaverRunningSystemWide());
}

TEST_F(SaverRun, RealKeyClickWheelOrPointerMovementEndsTheFullScreenSaver) {
  const POINT start{600, 400};
  const struct {
    const char* what;
    void (*input)(POINT at);
  } cases[] = {
      {"key", [](POINT) { sendKey('A', true), sendKey('A', false); }},
      {"shift", [](POINT) { sendKey(VK_SHIFT, true), sendKey(VK_SHIFT, false); }},
      {"click", [](POINT) { sendMouseClick(); }},
      {"wheel", [](POINT) { sendWheel(MOUSEEVENTF_WHEEL); }},
      {"wheel to the side", [](POINT) { sendWheel(MOUSEEVENTF_HWHEEL); }},
      {"pointer", [](POINT at) { sendMouseMoveTo(at.x + 40, at.y + 30); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(placePointer(start.x, start.y));
    SaverProcess saver("/s");
    ASSERT_NE(waitForSaverInForeground(saver), nullptr);
    c.input(start);
    EXPECT_EQ(saver.waitForExit(), 0u);
    EXPECT_FALSE(screenSaverRunningSystemWide());
  }
}

TEST_F(SaverRun, PointerJitterDoesNotEndTheFullScreenSaver) {
  const POINT start{600, 400};
  ASSERT_TRUE(placePointer(start.x, start.y));
  SaverProcess saver("/s");
  const HWND w = waitForSaverInForeground(saver);
  ASSERT_NE(w, nullptr);
  sendMouseMoveTo(start.x + 2, start.y - 3);
  sendMouseMoveTo(start.x - 3, start.y + 2);
  sendMouseMoveTo(start.x, start.y);
  EXPECT_FALSE(saver.waitForExit(300).has_value());
  ::PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(saver.waitForExit(), 0u);
}

TEST_F(SaverRun, ReadErrorShowsItsTextInABoxAndTheSaverStaysUp) {
  RegistrySandbox::setAll({3, 10, 3, 10, 5, 1});
  RegistrySandbox::setString("Fast", "3");
  SaverProcess saver("/s");
  MessageBoxWatcher watcher(saver.id());
  ASSERT_TRUE(watcher.waitForBoxes(1));
  const auto box = watcher.boxes().at(0);
  EXPECT_EQ(box.caption, "Flindra");
  EXPECT_EQ(box.text, "Invalid data type for 'Fast'");
  const HWND w = saver.waitForWindow("TForm1");
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(saver.waitForExit(100).has_value());
  EXPECT_FALSE(screenSaverRunningSystemWide());
  ::PostMessageA(w, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(saver.waitForExit(), 0u);
  EXPECT_EQ(watcher.boxes().size(), 1u);
}

// flindra.scr loaded as data, for its resources.
class BuiltFile : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(file, nullptr) << builtProgramPath(); }
  void TearDown() override { ::FreeLibrary(file); }
  const HMODULE file = ::LoadLibraryExA(builtProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
};

// Screen Saver Settings lists a saver by its string 1.
TEST_F(BuiltFile, NamesTheSaverInStringOne) {
  char name[64] = {};
  EXPECT_EQ(::LoadStringA(file, 1, name, sizeof name), 7);
  EXPECT_STREQ(name, "Flindra");
}

// Each Windows the program runs on is named in its manifest; a system not
// named there treats the program as written for an older one.
TEST_F(BuiltFile, ManifestNamesWindows7Through11) {
  const HRSRC found = ::FindResourceA(file, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
  ASSERT_NE(found, nullptr);
  const std::string manifest(static_cast<const char*>(::LockResource(::LoadResource(file, found))),
                             ::SizeofResource(file, found));
  const struct {
    const char* system;
    const char* id;
  } systems[] = {{"7", "35138b9a-5d96-4fbd-8e2d-a2440225f93a"},
                 {"8", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38"},
                 {"8.1", "1f676c76-80e1-4239-95bb-83d0f6d0da78"},
                 {"10 and 11", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}};
  for (const auto& [system, id] : systems)
    EXPECT_NE(manifest.find(std::string("<supportedOS Id=\"{") + id + "}\"/>"), std::string::npos)
        << "Windows " << system;
}

TEST_F(SaverRun, ClosingTheSaverEndsTheProgramAndWithdrawsTheNotice) {
  SaverProcess saver("/s");
  const HWND w = saver.waitForWindow("TForm1");
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(waitUntil(screenSaverRunningSystemWide));
  ::PostMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(saver.waitForExit(), 0u);
  EXPECT_FALSE(screenSaverRunningSystemWide());
}

}  // namespace
