#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <map>
#include <string>

#include "support.h"
#include "win32/registry_settings.h"

namespace {

struct StoredDword {
  DWORD type;
  DWORD size;
  DWORD value;
};

// Every value under HKCU\Software\Flindra as the registry holds it.
std::map<std::string, StoredDword> storedValues() {
  std::map<std::string, StoredDword> result;
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Flindra", 0, KEY_READ, &key) != ERROR_SUCCESS) return result;
  for (DWORD i = 0;; ++i) {
    char name[64];
    DWORD nameSize = sizeof name, type = 0, value = 0, size = sizeof value;
    const LONG status =
        ::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (status == ERROR_NO_MORE_ITEMS) break;
    result[name] = StoredDword{type, size, value};
  }
  ::RegCloseKey(key);
  return result;
}

class RegistrySettings : public ::testing::Test {
 protected:
  static void storeAll(DWORD fast, DWORD bright, DWORD size, DWORD satiation, DWORD color, DWORD alpha) {
    RegistrySandbox::setAll({static_cast<std::int32_t>(fast), static_cast<std::int32_t>(bright),
                             static_cast<std::int32_t>(size), static_cast<std::int32_t>(satiation),
                             static_cast<std::int32_t>(color), static_cast<std::int32_t>(alpha)});
  }
  // Loads from the registry; the error text or "". (That every path closes
  // the key is the core's rule, checked there.)
  std::string load() {
    RegistrySettingsKey key;
    try {
      LoadSettings(key, loaded);
    } catch (const SettingsError& e) {
      return e.what();
    }
    return "";
  }
  RegistrySandbox sandbox;
  std::vector<std::int32_t> current() const {
    std::vector<std::int32_t> v;
    for (const SettingInfo& s : kSettingTable) v.push_back(loaded.*s.value);
    return v;
  }
  Settings loaded;
};

TEST_F(RegistrySettings, FirstRunCreatesExactlyTheSixDefaults) {
  EXPECT_EQ(load(), "");
  EXPECT_EQ(current(), (std::vector<std::int32_t>{3, 10, 3, 10, 5, 0}));
  const auto stored = storedValues();
  ASSERT_EQ(stored.size(), 6u);
  const std::map<std::string, DWORD> want = {{"Fast", 3},  {"Bright", 10}, {"Size", 3},
                                             {"Satiation", 10}, {"Color", 5}, {"Alpha", 0}};
  for (const auto& [name, value] : want) {
    ASSERT_EQ(stored.count(name), 1u) << name;
    EXPECT_EQ(stored.at(name).type, static_cast<DWORD>(REG_DWORD)) << name;
    EXPECT_EQ(stored.at(name).value, value) << name;
  }
}

TEST_F(RegistrySettings, PartlyZeroAndOutOfRangeSetsAreKept) {
  storeAll(0, 7, 0, 2, 0, 0);
  EXPECT_EQ(load(), "");
  EXPECT_EQ(current(), (std::vector<std::int32_t>{0, 7, 0, 2, 0, 0}));

  storeAll(0x80000000u, 11, 0xFFFFFFFFu, 99, 0x7FFFFFFFu, 0);
  EXPECT_EQ(load(), "");
  EXPECT_EQ(current(), (std::vector<std::int32_t>{INT_MIN, 11, -1, 99, INT_MAX, 0}));
  EXPECT_EQ(storedValues().at("Bright").value, 11u) << "loading never rewrites a stored set";
}

TEST_F(RegistrySettings, BadValuesGiveTheirExactText) {
  storeAll(1, 2, 3, 4, 5, 6);
  HKEY key = nullptr;
  ::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Flindra", 0, KEY_WRITE, &key);
  ::RegDeleteValueA(key, "Satiation");
  ::RegCloseKey(key);
  EXPECT_EQ(load(), "Failed to get data for 'Satiation'");

  storeAll(1, 2, 3, 4, 5, 6);
  const ULONGLONG eightBytes = 5;
  RegistrySandbox::setValue("Color", REG_QWORD, &eightBytes, sizeof eightBytes);
  EXPECT_EQ(load(), "Failed to get data for 'Color'");

  storeAll(1, 2, 3, 4, 5, 6);
  RegistrySandbox::setValue("Bright", REG_SZ, "ab", 3);
  EXPECT_EQ(load(), "Invalid data type for 'Bright'");

  storeAll(1, 2, 3, 4, 5, 6);
  RegistrySandbox::setValue("Fast", REG_SZ, "a long text", 12);  // longer than 4 bytes: the read itself fails
  EXPECT_EQ(load(), "Failed to get data for 'Fast'");

  storeAll(1, 2, 3, 4, 5, 6);
  const DWORD binary = 7;
  RegistrySandbox::setValue("Alpha", REG_BINARY, &binary, 4);
  EXPECT_EQ(load(), "Invalid data type for 'Alpha'");
}

TEST_F(RegistrySettings, ShortDwordReadsWithZeroHighBytes) {
  storeAll(1, 2, 3, 4, 5, 6);
  const BYTE twoBytes[2] = {0x34, 0x12};
  RegistrySandbox::setValue("Size", REG_DWORD, twoBytes, 2);
  EXPECT_EQ(load(), "");
  EXPECT_EQ(loaded.Size, 0x1234);
}

TEST_F(RegistrySettings, SaveWritesAllSixAsDwords) {
  RegistrySettingsKey key;
  const Settings values{10, 1, 10, 1, 30, -7};
  EXPECT_EQ(SaveSettings(key, values), SaveResult::Saved);
  const auto stored = storedValues();
  ASSERT_EQ(stored.size(), 6u);
  EXPECT_EQ(stored.at("Color").value, 30u);
  EXPECT_EQ(stored.at("Alpha").value, static_cast<DWORD>(-7));
  EXPECT_EQ(stored.at("Alpha").type, static_cast<DWORD>(REG_DWORD));
}

}  // namespace
