// The settings file: what applies, and every bad line told by its number
// while the others still apply.
#include <gtest/gtest.h>

#include "core/settings_file.h"

namespace {

TEST(SettingsFile, GoodLinesApplyOverTheDefaults) {
  const SettingsFile file = ReadSettingsFile(
      "# Flindra\n"
      "fast = 7\n"
      "  size=4   # larger\n"
      "\n"
      "satiation\t=\t2\r\n"
      "fast = 8\n"  // a later line wins, as on the command line
      "idle = 600",
      "settings");
  EXPECT_TRUE(file.complaints.empty());
  Settings expected = DefaultSettings();
  expected.Speed = 8;
  expected.Size = 4;
  expected.FlakeCount = 2;
  EXPECT_EQ(file.settings.Speed, expected.Speed);
  EXPECT_EQ(file.settings.Size, expected.Size);
  EXPECT_EQ(file.settings.FlakeCount, expected.FlakeCount);
  EXPECT_EQ(file.settings.Brightness, expected.Brightness);
  EXPECT_EQ(file.idleSeconds, 600);
}

TEST(SettingsFile, EachBadLineToldByNumberTheOthersApply) {
  const SettingsFile file = ReadSettingsFile(
      "fats = 3\n"
      "size = 4\n"
      "\n"
      "bright = 11\n"
      "just words\n"
      "idle = 0\n"
      "idle = 86401\n"
      "color = 30\n"
      "size =\n",
      "/home/u/.config/flindra/settings");
  const std::vector<std::string> expected = {
      "/home/u/.config/flindra/settings:1: unknown setting \"fats\"",
      "/home/u/.config/flindra/settings:4: bright must be a whole number from 1 to 10, not \"11\"",
      "/home/u/.config/flindra/settings:5: expected name = value, not \"just words\"",
      "/home/u/.config/flindra/settings:6: idle must be a whole number of seconds from 1 to 86400, not \"0\"",
      "/home/u/.config/flindra/settings:7: idle must be a whole number of seconds from 1 to 86400, not \"86401\"",
      "/home/u/.config/flindra/settings:9: size must be a whole number from 1 to 10, not \"\"",
  };
  EXPECT_EQ(file.complaints, expected);
  EXPECT_EQ(file.settings.Size, 4);
  EXPECT_EQ(file.settings.SwayRate, 30);
  EXPECT_EQ(file.settings.Brightness, DefaultSettings().Brightness);
  EXPECT_FALSE(file.idleSeconds.has_value());
}

// One value set in a file's text: the lines naming it change in place, and
// nothing else does.
TEST(SettingsFile, SetChangesOnlyTheNamedValue) {
  struct Case {
    const char* text;
    const char* name;
    const char* value;
    const char* expected;
  };
  const Case cases[] = {
      {"", "fast", "5", "fast = 5\n"},
      {"# mine\nsize = 4", "fast", "5", "# mine\nsize = 4\nfast = 5\n"},
      {"fast = 3\n", "fast", "10", "fast = 10\n"},
      {"  fast\t=\t3   # my speed\r\n", "fast", "7", "  fast\t=\t7   # my speed\r\n"},
      {"fast=3\r\nsize=4", "fast", "0", "fast=0\r\nsize=4"},
      {"fast =\n", "fast", "2", "fast =2\n"},
      {"fast = 99 # bad\nfats = 3\nfast = x\n", "fast", "4", "fast = 4 # bad\nfats = 3\nfast = 4\n"},
      {"# fast = 3\nfastest = 3\njust words\n", "fast", "1", "# fast = 3\nfastest = 3\njust words\nfast = 1\n"},
      {"fast # = 3\n", "fast", "1", "fast # = 3\nfast = 1\n"},
      {"idle = 300\nbright = 2\n", "idle", "600", "idle = 600\nbright = 2\n"},
      {"fast = 1\n\n\n", "size", "9", "fast = 1\n\n\nsize = 9\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SetInSettingsFile(c.text, c.name, c.value), c.expected) << c.text;
  }
}

// What the window writes is what the saver then reads, the bad lines of
// other names still told.
TEST(SettingsFile, SetValueIsReadBack) {
  std::string text = "fats = 3\nfast = 11\n";
  text = SetInSettingsFile(text, "fast", "6");
  text = SetInSettingsFile(text, "idle", "120");
  const SettingsFile file = ReadSettingsFile(text, "f");
  EXPECT_EQ(file.settings.Speed, 6);
  EXPECT_EQ(file.idleSeconds, 120);
  EXPECT_EQ(file.complaints, std::vector<std::string>{"f:1: unknown setting \"fats\""});
}

}  // namespace
