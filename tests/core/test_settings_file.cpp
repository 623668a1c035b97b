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

}  // namespace
