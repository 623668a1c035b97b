// flindra.scr started in preview mode the way the host starts it, watched
// from this process.
// NOTE: under Wine what the saver draws into a child of our window is not
// readable from here; the frames are checked in-process (test_preview.cpp).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "core/settings.h"
#include "preview_support.h"
#include "win32/password.h"
#include "win32/preview.h"

namespace {

constexpr DWORD kExitWaitMs = 5000;

class PreviewProcess : public ::testing::Test {
 protected:
  void SetUp() override { deleteValue(kDesktopKeyPath, kUsePasswordValue); }

  SavedRegistryValue usePassword_{kDesktopKeyPath, kUsePasswordValue};
  SavedRegistryKey settingsKey_{kSettingsKeyPath};
};

TEST_F(PreviewProcess, DrawsInAChildOfTheHostUntilTheHostGoes) {
  ::RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKeyPath);
  ::RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKeyPath);
  const HostWindow host(300, 200, 152, 112);
  SaverProcess saver("/p " + handleText(host.handle()));
  ASSERT_TRUE(saver.started());

  HWND child = nullptr;
  ASSERT_TRUE(waitUntil([&] { return ::IsWindowVisible(child = saver.previewWindow(host.handle())); }));
  char className[64] = {};
  ::GetClassNameA(child, className, sizeof className);
  EXPECT_STREQ(className, kPreviewClassName);
  EXPECT_EQ(static_cast<DWORD>(::GetWindowLongA(child, GWL_STYLE)),
            WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
  EXPECT_EQ(::GetWindowLongA(child, GWL_EXSTYLE), 0);
  // The host's client area, inside its one-pixel border.
  RECT rect{};
  ::GetWindowRect(child, &rect);
  EXPECT_EQ(rect.left, 301);
  EXPECT_EQ(rect.top, 201);
  EXPECT_EQ(rect.right - rect.left, 150);
  EXPECT_EQ(rect.bottom - rect.top, 110);

  host.close();
  const auto exitCode = saver.waitForExit(kExitWaitMs);
  EXPECT_TRUE(exitCode.has_value()) << "destroying the host ends the saver";
  EXPECT_EQ(exitCode.value_or(1), 0u);
  EXPECT_FALSE(keyExists(kSettingsKeyPath)) << "preview mode writes no settings";
}

TEST_F(PreviewProcess, EveryUnusableHandleGivesThePopupThatAKeyEnds) {
  for (const char* arguments : {"/p", "/p \"\"", "/p abc", "/p 12ab", "/p 0", "/p:1234", "/p \"42 \"", "-P abc"}) {
    SCOPED_TRACE(arguments);
    SaverProcess saver(arguments);
    ASSERT_TRUE(saver.started());
    // Found as soon as it exists; shown and made top-most right after.
    HWND popup = nullptr;
    ASSERT_TRUE(waitUntil([&] {
      popup = saver.previewWindow(nullptr);
      return popup != nullptr && ::IsWindowVisible(popup) &&
             (::GetWindowLongA(popup, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    }));
    const DWORD style = static_cast<DWORD>(::GetWindowLongA(popup, GWL_STYLE));
    EXPECT_EQ(style & (WS_POPUP | WS_VISIBLE | WS_CHILD | WS_DISABLED), static_cast<DWORD>(WS_POPUP | WS_VISIBLE));
    RECT rect{};
    ::GetWindowRect(popup, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, kPopupWidth);
    EXPECT_EQ(rect.bottom, kPopupHeight);

    ::PostMessageA(popup, WM_KEYDOWN, VK_SPACE, 0x00390001);
    const auto exitCode = saver.waitForExit(kExitWaitMs);
    EXPECT_TRUE(exitCode.has_value()) << "a key ends the popup";
    EXPECT_EQ(exitCode.value_or(1), 0u);
  }
}

TEST_F(PreviewProcess, HandleThatNamesNoWindowEndsTheSaver) {
  const HWND gone = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ::DestroyWindow(gone);
  SaverProcess saver("/p " + handleText(gone));
  const auto exitCode = saver.waitForExit(kExitWaitMs);
  EXPECT_TRUE(exitCode.has_value());
  EXPECT_EQ(exitCode.value_or(1), 0u);
}

}  // namespace
