// Hostile outside input against the real program: any 32-bit value stored
// in the settings key, a host window that vanishes at any moment, and the
// settings key deleted while the dialog is open.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <string>
#include <vector>

#include "core/settings.h"
#include "preview_support.h"
#include "support.h"

namespace {

using Hostile = SaverProcessTest;

// Starts /s with the stored values, lets it run ten ticks, checks it still
// answers messages and that Esc ends it cleanly.
void expectSaverSurvives(const std::vector<std::int32_t>& stored) {
  RegistrySandbox::setAll(stored);
  SaverProcess saver("/s");
  const HWND window = saver.waitForWindow("TForm1");
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(waitUntil(screenSaverRunningSystemWide)) << "creation completes";
  // Staying up is a matter of time: ten ticks of the 31 ms timer.
  EXPECT_FALSE(saver.waitForExit(10 * 31).has_value()) << "the saver must stay up";
  DWORD_PTR ignored = 0;
  EXPECT_NE(::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored), 0)
      << "the saver must keep answering";
  ::PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(saver.waitForExit().value_or(1), 0u);
  EXPECT_FALSE(screenSaverRunningSystemWide());
  EXPECT_EQ(RegistrySandbox::all(), stored) << "running the saver never rewrites a stored set";
}

TEST_F(Hostile, SaverRunsWithEveryExtremeValueStoredTogether) {
  for (const std::int32_t v : {INT_MIN, -1, 1, 11, 31, INT_MAX}) {
    SCOPED_TRACE(v);
    expectSaverSurvives({v, v, v, v, v, v});
  }
}

TEST_F(Hostile, SaverRunsWithEachSettingAloneAtItsExtremes) {
  const std::vector<std::int32_t> defaults = {3, 10, 3, 10, 5, 0};
  for (int which = 0; which < kSettingCount; ++which)
    for (const std::int32_t v : {INT_MIN, kSettingTable[which].sliderMax + 1, INT_MAX}) {
      SCOPED_TRACE(std::string(kSettingTable[which].name) + "=" + std::to_string(v));
      auto stored = defaults;
      stored[static_cast<std::size_t>(which)] = v;
      expectSaverSurvives(stored);
    }
}

TEST_F(Hostile, HostWindowVanishingAtAnyMomentEndsThePreview) {
  // From before the preview window exists, through its first paints, to
  // well into the running frames.
  for (const DWORD delay : {0u, 2u, 5u, 10u, 20u, 35u, 50u, 80u, 120u, 200u}) {
    SCOPED_TRACE(delay);
    HostWindow host(300, 200, 152, 112);
    SaverProcess saver("/p " + handleText(host.handle()));
    ASSERT_TRUE(saver.started());
    MessageBoxWatcher boxes(saver.id());
    EXPECT_FALSE(saver.waitForExit(delay).has_value());
    host.close();
    EXPECT_EQ(saver.waitForExit().value_or(1), 0u) << "the preview must end, and cleanly";
    for (const auto& box : boxes.boxes()) ADD_FAILURE() << "unexpected box: " << box.text;
  }
  EXPECT_FALSE(RegistrySandbox::keyExists()) << "the preview never writes the settings";
}

// Opens the dialog, deletes the settings key underneath it, presses the
// button and waits for a clean end.
void deleteKeyThenPress(const char* button) {
  SaverProcess saver("/c");
  const HWND dialog = saver.waitForWindow("TForm2");
  ASSERT_NE(dialog, nullptr);
  RegistrySandbox::deleteKey();
  ::SendMessageA(::FindWindowExA(dialog, nullptr, "Button", button), BM_CLICK, 0, 0);
  EXPECT_EQ(saver.waitForExit().value_or(1), 0u);
}

TEST_F(Hostile, SettingsKeyDeletedWhileTheDialogIsOpen) {
  deleteKeyThenPress("Cancel");
  EXPECT_FALSE(RegistrySandbox::keyExists()) << "Cancel writes nothing";
  deleteKeyThenPress("Save");
  // Save creates the key again: nothing the user chose is lost.
  EXPECT_EQ(RegistrySandbox::all(), (std::vector<std::int32_t>{3, 10, 3, 10, 5, 1}));
}

}  // namespace
