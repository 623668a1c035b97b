// VerifySaverPassword against the prefix's real registry and a test applet
// put into the real system directory.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

#include "preview_support.h"
#include "win32/password.h"
#include "win32/preview.h"

namespace {

bool appletLoaded() { return ::GetModuleHandleA(kPasswordAppletName) != nullptr; }

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

class Password : public ::testing::Test {
 protected:
  void SetUp() override {
    ::DeleteFileA((systemDirectory() + kPasswordAppletName).c_str());
    owner_ = ::CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    cursorBefore_ = cursorCount();
  }
  void TearDown() override {
    EXPECT_EQ(cursorCount(), cursorBefore_) << "cursor display count changed";
    EXPECT_FALSE(appletLoaded()) << "applet still loaded";
    ::DestroyWindow(owner_);
  }

  SavedRegistryValue usePassword_{kDesktopKeyPath, kUsePasswordValue};
  HWND owner_ = nullptr;
  int cursorBefore_ = 0;
};

TEST_F(Password, NoProtectionAllowsWithoutAskingTheApplet) {
  const InstalledApplet applet(AppletVariant::WithVerify);
  applet.answer(0);

  deleteValue(kDesktopKeyPath, kUsePasswordValue);
  EXPECT_TRUE(VerifySaverPassword(owner_)) << "value absent";

  setDword(kDesktopKeyPath, kUsePasswordValue, 0);
  EXPECT_TRUE(VerifySaverPassword(owner_)) << "value 0";

  // Data longer than the 4 bytes offered makes the query fail.
  const std::uint64_t eightBytes = 1;
  setValue(kDesktopKeyPath, kUsePasswordValue, REG_QWORD, &eightBytes, sizeof eightBytes);
  EXPECT_TRUE(VerifySaverPassword(owner_)) << "8-byte value";
  setValue(kDesktopKeyPath, kUsePasswordValue, REG_BINARY, &eightBytes, sizeof eightBytes);
  EXPECT_TRUE(VerifySaverPassword(owner_)) << "8-byte binary value";

  EXPECT_EQ(appletRecord().calls, 0u);
}

TEST_F(Password, AppletAnswerDecides) {
  setDword(kDesktopKeyPath, kUsePasswordValue, 1);
  const InstalledApplet applet(AppletVariant::WithVerify);
  const struct {
    std::int32_t answer;
    bool allowed;
  } cases[] = {{0, false}, {1, true}, {-1, true}, {7, true}};
  std::uint32_t calls = 0;
  for (const auto& c : cases) {
    applet.answer(c.answer);
    EXPECT_EQ(VerifySaverPassword(owner_), c.allowed) << "answer " << c.answer;
    const AppletRecord record = appletRecord();
    EXPECT_EQ(record.calls, ++calls);
    EXPECT_EQ(record.owner, reinterpret_cast<std::uintptr_t>(owner_)) << "owner is the window it was given";
    EXPECT_EQ(record.cursorCount, cursorBefore_ + 1) << "cursor shown for the call";
    EXPECT_EQ(lower(record.path), lower(systemDirectory() + kPasswordAppletName));
    EXPECT_EQ(cursorCount(), cursorBefore_);
    EXPECT_FALSE(appletLoaded());
  }
}

TEST_F(Password, ShortValueReadsIntoAZeroedInteger) {
  const InstalledApplet applet(AppletVariant::WithVerify);
  applet.answer(0);
  const BYTE one = 1;
  setValue(kDesktopKeyPath, kUsePasswordValue, REG_BINARY, &one, 1);
  EXPECT_FALSE(VerifySaverPassword(owner_)) << "a 1-byte 1 turns protection on";
  const BYTE zero = 0;
  setValue(kDesktopKeyPath, kUsePasswordValue, REG_BINARY, &zero, 1);
  EXPECT_TRUE(VerifySaverPassword(owner_)) << "a 1-byte 0 leaves it off";
  EXPECT_EQ(appletRecord().calls, 1u);
}

TEST_F(Password, MissingAppletOrExportAllows) {
  setDword(kDesktopKeyPath, kUsePasswordValue, 1);
  EXPECT_TRUE(VerifySaverPassword(owner_)) << "no applet";
  EXPECT_EQ(cursorCount(), cursorBefore_);
  {
    const InstalledApplet applet(AppletVariant::WithoutVerify);
    applet.answer(0);
    EXPECT_TRUE(VerifySaverPassword(owner_)) << "applet without VerifyScreenSavePwd";
    EXPECT_EQ(appletRecord().calls, 0u);
  }
}

TEST_F(Password, AppletOutsideTheSystemDirectoryIsNeverLoaded) {
  setDword(kDesktopKeyPath, kUsePasswordValue, 1);
  char work[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, work);
  const std::string folder = std::string(work) + "flindra-password-test\\";
  ::CreateDirectoryA(folder.c_str(), nullptr);
  char previous[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, previous);
  ::SetCurrentDirectoryA(folder.c_str());
  {
    // Next to the program and in the current directory, answering "no".
    const InstalledApplet besideProgram(AppletVariant::WithVerify, testDirectory());
    const InstalledApplet inCurrentFolder(AppletVariant::WithVerify, folder);
    besideProgram.answer(0);
    EXPECT_TRUE(VerifySaverPassword(owner_));
    EXPECT_EQ(appletRecord().calls, 0u);
  }
  ::SetCurrentDirectoryA(previous);
  ::RemoveDirectoryA(folder.c_str());
}

TEST_F(Password, NoDesktopKeyAllows) {
  setDword(kDesktopKeyPath, kUsePasswordValue, 1);
  const InstalledApplet applet(AppletVariant::WithVerify);
  applet.answer(0);
  // The current user's root mapped to an empty key for this process.
  constexpr const char* kEmptyUser = "Software\\FlindraTestEmptyUser";
  HKEY empty = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kEmptyUser, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &empty, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(::RegOverridePredefKey(HKEY_CURRENT_USER, empty), ERROR_SUCCESS);
  const bool allowed = VerifySaverPassword(owner_);
  ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  ::RegCloseKey(empty);
  ::RegDeleteKeyA(HKEY_CURRENT_USER, kEmptyUser);
  EXPECT_TRUE(allowed);
  EXPECT_EQ(appletRecord().calls, 0u);
  EXPECT_TRUE(keyExists(kDesktopKeyPath)) << "the real key is back in view";
}

}  // namespace
