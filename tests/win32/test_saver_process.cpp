// flindra.scr started as the host starts it, checked from outside: which
// window a switch opens, how the program ends, its exit code, the running
// notice and the error box.
#include "core/Settings.h"
#include "support.h"

namespace {

class SaverRun : public ::testing::Test {
 protected:
  void SetUp() override { clearScreenSaverRunning(); }
  void TearDown() override { clearScreenSaverRunning(); }
  RegistrySandbox registry;
};

TEST_F(SaverRun, SwitchesWithoutCOrPStartTheFullScreenSaverAndEscEndsIt) {
  for (const char* args : {"/s", "", "-S", "c", "\"/a\""}) {
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

TEST_F(SaverRun, RealKeyClickOrPointerMovementEndsTheFullScreenSaver) {
  POINT start{};
  ::GetCursorPos(&start);
  const struct {
    const char* what;
    void (*input)(POINT at);
  } cases[] = {
      {"key", [](POINT) { sendKey('A', true), sendKey('A', false); }},
      {"shift", [](POINT) { sendKey(VK_SHIFT, true), sendKey(VK_SHIFT, false); }},
      {"click", [](POINT) { sendMouseClick(); }},
      {"pointer", [](POINT at) { sendMouseMoveTo(at.x + 40, at.y + 30); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    sendMouseMoveTo(start.x, start.y);
    SaverProcess saver("/s");
    ASSERT_NE(saver.waitForWindow("TForm1"), nullptr);
    ASSERT_TRUE(waitUntil(screenSaverRunningSystemWide));
    c.input(start);
    EXPECT_EQ(saver.waitForExit(), 0u);
    EXPECT_FALSE(screenSaverRunningSystemWide());
  }
  sendMouseMoveTo(start.x, start.y);
}

TEST_F(SaverRun, PointerJitterDoesNotEndTheFullScreenSaver) {
  POINT start{};
  ::GetCursorPos(&start);
  SaverProcess saver("/s");
  const HWND w = saver.waitForWindow("TForm1");
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(waitUntil(screenSaverRunningSystemWide));
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
