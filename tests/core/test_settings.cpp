#include <gtest/gtest.h>

#include <climits>

#include "core/settings.h"
#include "memory_key.h"

namespace {

class SettingsStore : public ::testing::Test {
 protected:
  std::vector<std::int32_t> current() const {
    std::vector<std::int32_t> values;
    for (const SettingInfo& s : kSettingTable) values.push_back(loaded.*s.value);
    return values;
  }
  std::string loadError(MemoryKey& from) {
    try {
      LoadSettings(from, loaded);
    } catch (const SettingsError& e) {
      return e.what();
    }
    return "";
  }
  MemoryKey key;
  Settings loaded;
};

TEST(SettingTable, NamesLabelsRangesAndDefaults) {
  const char* names[] = {"Fast", "Bright", "Size", "Satiation", "Color", "Alpha"};
  const char* labels[] = {"Speed", "Brightness", "Size", "Satiation", "Rotate", "Color"};
  const int mins[] = {0, 1, 1, 1, 1, 1}, maxs[] = {10, 10, 10, 10, 30, 10}, defs[] = {3, 10, 3, 10, 5, 0};
  for (int i = 0; i < kSettingCount; ++i) {
    EXPECT_STREQ(kSettingTable[i].name, names[i]);
    EXPECT_STREQ(kSettingTable[i].label, labels[i]);
    EXPECT_EQ(kSettingTable[i].sliderMin, mins[i]);
    EXPECT_EQ(kSettingTable[i].sliderMax, maxs[i]);
    EXPECT_EQ(kSettingTable[i].defaultValue, defs[i]);
  }
  Settings s;
  EXPECT_EQ(&(s.*kSettingTable[4].value), &s.SwayRate);
  EXPECT_EQ(&(s.*kSettingTable[5].value), &s.Unused);
}

TEST_F(SettingsStore, FirstRunWritesTheDefaultsInOrder) {
  LoadSettings(key, loaded);
  EXPECT_EQ(current(), (std::vector<std::int32_t>{3, 10, 3, 10, 5, 0}));
  EXPECT_EQ(key.writeLog, "Fast,Bright,Size,Satiation,Color,Alpha,");
  EXPECT_EQ(key.values.size(), 6u);
  EXPECT_EQ(key.values["Bright"].data, 10);
  EXPECT_EQ(key.opens, key.closes);
}

TEST_F(SettingsStore, StoredValuesAreTakenAsTheyAre) {
  key.setAll(0, 4, 0, 0, 0, 0);  // not all zero: no defaults
  LoadSettings(key, loaded);
  EXPECT_EQ(current(), (std::vector<std::int32_t>{0, 4, 0, 0, 0, 0}));
  EXPECT_EQ(key.writeLog, "");

  key.setAll(INT_MIN, 11, -1, 99, INT_MAX, 0);
  LoadSettings(key, loaded);
  EXPECT_EQ(current(), (std::vector<std::int32_t>{INT_MIN, 11, -1, 99, INT_MAX, 0}));
  EXPECT_EQ(key.opens, key.closes);
}

TEST_F(SettingsStore, AllZeroStoredMeansDefaults) {
  key.setAll(0, 0, 0, 0, 0, 0);
  LoadSettings(key, loaded);
  EXPECT_EQ(current(), (std::vector<std::int32_t>{3, 10, 3, 10, 5, 0}));
  EXPECT_EQ(key.values["Satiation"].data, 10);
}

TEST_F(SettingsStore, ReadErrorsNameTheValueAndCloseTheKey) {
  key.setAll(1, 2, 3, 4, 5, 6);
  key.values.erase("Size");
  EXPECT_EQ(loadError(key), "Failed to get data for 'Size'");
  EXPECT_FALSE(key.isOpen);
  // Every readable value is there; the bad one takes its default.
  EXPECT_EQ(current(), (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6}));

  // The first failure is the one told; each failing value its default.
  key.values["Bright"].kind = StoredValue::Kind::OtherType;
  key.values["Color"].kind = StoredValue::Kind::OtherType;
  key.set("Satiation", 0);
  EXPECT_EQ(loadError(key), "Invalid data type for 'Bright'");
  EXPECT_EQ(current(), (std::vector<std::int32_t>{1, 10, 3, 0, 5, 6}));

  // Saving what was loaded loses nothing that was readable.
  key.set("Size", 7);
  EXPECT_EQ(loadError(key), "Invalid data type for 'Bright'");
  EXPECT_EQ(SaveSettings(key, loaded), SaveResult::Saved);
  EXPECT_EQ(key.values["Fast"].data, 1);
  EXPECT_EQ(key.values["Size"].data, 7);
  EXPECT_EQ(key.values["Alpha"].data, 6);
  key.writeLog.clear();

  // Failing values whose defaults are all the key holds: no first-run write.
  key.setAll(0, 0, 0, 0, 0, 0);
  key.values.erase("Alpha");
  EXPECT_EQ(loadError(key), "Failed to get data for 'Alpha'");
  EXPECT_FALSE(key.isOpen);
  EXPECT_EQ(key.opens, key.closes);
  EXPECT_EQ(key.writeLog, "");
}

TEST_F(SettingsStore, UnopenableKeyKeepsDefaultsInMemory) {
  key.refuseOpen = true;
  LoadSettings(key, loaded);
  EXPECT_EQ(current(), (std::vector<std::int32_t>{3, 10, 3, 10, 5, 0}));
  EXPECT_EQ(key.opens, 0);
}

TEST_F(SettingsStore, FailedDefaultWriteRaisesAndCloses) {
  key.refuseWrite = true;
  EXPECT_EQ(loadError(key), "Failed to set data for 'Fast'");
  EXPECT_FALSE(key.isOpen);
}

TEST_F(SettingsStore, SaveWritesAllSixOrReportsWhy) {
  const Settings values{7, 6, 5, 4, 3, 2};
  EXPECT_EQ(SaveSettings(key, values), SaveResult::Saved);
  EXPECT_EQ(key.writeLog, "Fast,Bright,Size,Satiation,Color,Alpha,");
  EXPECT_EQ(key.values["Alpha"].data, 2);
  EXPECT_FALSE(key.isOpen);

  MemoryKey locked;
  locked.refuseOpen = true;
  EXPECT_EQ(SaveSettings(locked, values), SaveResult::KeyUnavailable);
  EXPECT_TRUE(locked.values.empty());

  MemoryKey readOnly;
  readOnly.refuseWrite = true;
  try {
    SaveSettings(readOnly, values);
    ADD_FAILURE() << "a refused write must raise";
  } catch (const SettingsError& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'Fast'");
  }
  EXPECT_FALSE(readOnly.isOpen);
}

}  // namespace
