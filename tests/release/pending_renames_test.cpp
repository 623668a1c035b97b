// The installer's cancelling of pending deletes and renames, against the real
// registry and files of the Wine prefix it runs in (make test-release's
// own): each case seeds PendingFileRenameOperations or
// PendingFileRenameOperations2, cancels the install's three paths and reads
// the value's bytes back.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "setup_plugin/pending_registry.h"
#include "setup_plugin/same_file.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr wchar_t kKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* kValueNames[] = {L"PendingFileRenameOperations", L"PendingFileRenameOperations2"};
const std::vector<std::wstring> kOurPaths = {L"C:\\windows\\system32\\flindra.scr",
                                             L"C:\\Program Files\\Flindra\\uninstall.exe",
                                             L"C:\\Program Files\\Flindra"};

Bytes bytesOf(const std::wstring& characters) {
  const auto* first = reinterpret_cast<const unsigned char*>(characters.data());
  return Bytes(first, first + characters.size() * sizeof(wchar_t));
}

// Strings each with its zero, then the list's final zero.
Bytes list(const std::vector<std::wstring>& strings) {
  std::wstring characters;
  for (const std::wstring& text : strings) characters += text + L'\0';
  return bytesOf(characters + L'\0');
}

Bytes withExtraByte(Bytes bytes) {
  bytes.push_back(0);
  return bytes;
}

Bytes withoutFinalZero(Bytes bytes) {
  bytes.resize(bytes.size() - sizeof(wchar_t));
  return bytes;
}

const std::wstring kSaver = L"\\??\\C:\\windows\\system32\\flindra.scr";
const std::wstring kSaverNew = L"*1\\??\\C:\\Windows\\System32\\FLINDRA.SCR";
const std::wstring kUninstaller = L"\\??\\C:\\Program Files\\Flindra\\uninstall.exe";
const std::wstring kFolderNew = L"*1\\??\\C:\\PROGRAM FILES\\FLINDRA\\";
const std::wstring kUpdate = L"*1\\??\\C:\\Windows\\SoftwareDistribution\\x.dll";
const std::wstring kUpdateTarget = L"!\\??\\C:\\Windows\\System32\\x.dll";
const std::wstring kOther = L"\\??\\C:\\other\\program.tmp";

struct Case {
  const char* what;
  DWORD type;
  Bytes seeded;
  std::optional<Bytes> left;  // nothing: the value is gone; the seeded bytes: untouched
};

const std::vector<Case>& cases() {
  static const std::vector<Case> all = {
      {"a delete of the saver between other pairs", REG_MULTI_SZ,
       list({kOther, L"", kSaver, L"", kUpdate, kUpdateTarget}), list({kOther, L"", kUpdate, kUpdateTarget})},
      {"Windows 10's *1 form in other letter case", REG_MULTI_SZ,
       list({kUpdate, kUpdateTarget, kSaverNew, L"", kOther, L""}), list({kUpdate, kUpdateTarget, kOther, L""})},
      {"a rename of the uninstaller with a replacing target", REG_MULTI_SZ,
       list({kUninstaller, L"!\\??\\C:\\temp\\u.exe", kOther, L""}), list({kOther, L""})},
      {"only ours, the folder with its backslash: the value goes", REG_MULTI_SZ,
       list({kUninstaller, L"", kFolderNew, L""}), std::nullopt},
      {"names that only start like ours stay", REG_MULTI_SZ,
       list({kSaver + L".1.old", L"", L"\\??\\C:\\Program Files\\Flindra2", L""}),
       list({kSaver + L".1.old", L"", L"\\??\\C:\\Program Files\\Flindra2", L""})},
      {"odd length", REG_MULTI_SZ, withExtraByte(list({kSaver, L"", kOther, L""})),
       withExtraByte(list({kSaver, L"", kOther, L""}))},
      {"no final zero", REG_MULTI_SZ, withoutFinalZero(list({kOther, L"", kSaver, L""})),
       withoutFinalZero(list({kOther, L"", kSaver, L""}))},
      {"an empty pair in the middle", REG_MULTI_SZ, list({kSaver, L"", L"", L"", kOther, L""}),
       list({kSaver, L"", L"", L"", kOther, L""})},
      {"a source in no NT form", REG_MULTI_SZ, list({L"C:\\windows\\system32\\flindra.scr", L""}),
       list({L"C:\\windows\\system32\\flindra.scr", L""})},
      {"a value of another type", REG_BINARY, list({kSaver, L""}), list({kSaver, L""})},
  };
  return all;
}

struct Stored {
  DWORD type;
  Bytes bytes;
};

std::optional<Stored> read(HKEY key, const wchar_t* name) {
  DWORD type = 0;
  DWORD size = 0;
  if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
  Bytes bytes(size);
  if (::RegQueryValueExW(key, name, nullptr, &type, bytes.data(), &size) != ERROR_SUCCESS) return std::nullopt;
  bytes.resize(size);
  return Stored{type, bytes};
}

void write(HKEY key, const wchar_t* name, const std::optional<Stored>& value) {
  if (!value) {
    ::RegDeleteValueW(key, name);
    return;
  }
  ASSERT_EQ(::RegSetValueExW(key, name, 0, value->type, value->bytes.data(), static_cast<DWORD>(value->bytes.size())),
            ERROR_SUCCESS);
}

class PendingRenames : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, &key_),
              ERROR_SUCCESS);
    for (const wchar_t* name : kValueNames) saved_.push_back(read(key_, name));
    for (const wchar_t* name : kValueNames) ::RegDeleteValueW(key_, name);
  }
  void TearDown() override {
    for (std::size_t i = 0; i < saved_.size(); ++i) write(key_, kValueNames[i], saved_[i]);
    ::RegCloseKey(key_);
  }
  HKEY key_ = nullptr;
  std::vector<std::optional<Stored>> saved_;
};

TEST_F(PendingRenames, OursGoTheirsStayByteForByte) {
  for (const wchar_t* name : kValueNames) {
    for (const Case& c : cases()) {
      SCOPED_TRACE(std::string(c.what) + (name == kValueNames[1] ? " (...Operations2)" : ""));
      for (const wchar_t* other : kValueNames) ::RegDeleteValueW(key_, other);
      write(key_, name, Stored{c.type, c.seeded});
      setup::CancelPendingRemovals(kOurPaths);
      const std::optional<Stored> left = read(key_, name);
      ASSERT_EQ(left.has_value(), c.left.has_value());
      if (left) {
        EXPECT_EQ(left->type, c.type);
        EXPECT_EQ(left->bytes, *c.left);
      }
      const wchar_t* other = name == kValueNames[0] ? kValueNames[1] : kValueNames[0];
      EXPECT_FALSE(read(key_, other).has_value()) << "the other value appeared";
    }
  }
}

// The install's paths in a folder with a long name, its uninstaller there,
// and their short (8.3) spellings, as a caller of the uninstaller may give
// them with _?=.
class SpeltOtherwise : public PendingRenames {
 protected:
  void SetUp() override {
    PendingRenames::SetUp();
    wchar_t temp[MAX_PATH] = L"";
    ASSERT_NE(::GetTempPathW(MAX_PATH, temp), 0u);
    folder_ = std::wstring(temp) + L"Flindra spelling test";
    ::CreateDirectoryW(folder_.c_str(), nullptr);
    const HANDLE file = ::CreateFileW(uninstaller().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ::CloseHandle(file);
  }
  void TearDown() override {
    ::DeleteFileW(uninstaller().c_str());
    ::RemoveDirectoryW(folder_.c_str());
    PendingRenames::TearDown();
  }
  std::wstring uninstaller() const { return folder_ + L"\\uninstall.exe"; }
  static std::wstring shortOf(const std::wstring& path) {
    wchar_t spelt[MAX_PATH] = L"";
    const DWORD length = ::GetShortPathNameW(path.c_str(), spelt, MAX_PATH);
    return length > 0 && length < MAX_PATH ? spelt : path;
  }
  std::wstring folder_;
};

TEST_F(SpeltOtherwise, PathsNameTheSameFileInAnySpelling) {
  const std::wstring shortFolder = shortOf(folder_);
  ASSERT_NE(shortFolder, folder_) << "the folder has a short name";
  const struct {
    std::wstring a, b;
    bool same;
  } cases[] = {
      {shortOf(uninstaller()), uninstaller(), true},
      {shortFolder + L"\\", folder_, true},
      {shortFolder + L"\\README.txt", folder_ + L"\\readme.TXT", true},  // not there (any more)
      {shortFolder + L"\\README.txt", folder_ + L"\\LICENSE.txt", false},
      {folder_ + L"2", folder_, false},
      {L"uninstall.exe", L"uninstall.exe", false},  // relative: never taken for ours
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.a.begin(), c.a.end()) + " / " + std::string(c.b.begin(), c.b.end()));
    EXPECT_EQ(setup::SameFile(c.a, c.b), c.same);
  }
}

TEST_F(SpeltOtherwise, OursGoInTheirShortSpelling) {
  const std::wstring shortFolder = shortOf(folder_);
  const std::wstring kept = L"\\??\\" + shortFolder + L"\\other.tmp";
  write(key_, kValueNames[0],
        Stored{REG_MULTI_SZ, list({L"\\??\\" + shortOf(uninstaller()), L"", kOther, L"", L"*1\\??\\" + shortFolder,
                                   L"", kept, L""})});
  setup::CancelPendingRemovals({L"C:\\windows\\system32\\flindra.scr", uninstaller(), folder_});
  const std::optional<Stored> left = read(key_, kValueNames[0]);
  ASSERT_TRUE(left.has_value());
  EXPECT_EQ(left->bytes, list({kOther, L"", kept, L""}));
}

// Another program that read the value before the install's write and writes
// after it brings the install's pair back beside its own: the value is read
// again, and only the install's pair goes.
TEST_F(PendingRenames, APairWrittenAfterOursFromAnOlderReadStays) {
  const std::wstring late = L"\\??\\C:\\other\\late.tmp";
  write(key_, kValueNames[0], Stored{REG_MULTI_SZ, list({kOther, L"", kSaver, L""})});
  int writes = 0;
  setup::CancelPendingRemovals(kOurPaths, [&](HKEY key, const wchar_t* name) {
    if (++writes == 1) write(key, name, Stored{REG_MULTI_SZ, list({kOther, L"", kSaver, L"", late, L""})});
  });
  EXPECT_EQ(writes, 2);
  const std::optional<Stored> left = read(key_, kValueNames[0]);
  ASSERT_TRUE(left.has_value());
  EXPECT_EQ(left->bytes, list({kOther, L"", late, L""}));
}

}  // namespace
