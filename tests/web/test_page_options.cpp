#include <gtest/gtest.h>

#include <vector>

#include "web/page_options.h"

namespace {

struct QueryCase {
  const char* query;
  Settings settings;  // expected when error is empty
  const char* error;  // expected complaint, or "" for none
};

Settings withDefaults(std::int32_t Settings::*value, std::int32_t to) {
  Settings s = DefaultSettings();
  s.*value = to;
  return s;
}

bool same(const Settings& a, const Settings& b) {
  return a.Speed == b.Speed && a.Brightness == b.Brightness && a.Size == b.Size && a.FlakeCount == b.FlakeCount &&
         a.SwayRate == b.SwayRate && a.Unused == b.Unused;
}

}  // namespace

TEST(PageQuery, ReadsSettingsThroughTheOptionParser) {
  const Settings defaults = DefaultSettings();
  Settings sizeAndFast = withDefaults(&Settings::Size, 9);
  sizeAndFast.Speed = 7;
  const QueryCase cases[] = {
      {"", defaults, ""},
      {"?", defaults, ""},
      {"?size=9&fast=7", sizeAndFast, ""},
      {"fast=7&&size=9&", sizeAndFast, ""},
      {"size=2&size=9&fast=%37", sizeAndFast, ""},  // the later pair wins; %37 is '7'
      {"alpha=0", defaults, ""},                    // the default lies below Alpha's slider
      {"size=11", defaults, "size must be a whole number from 1 to 10, not \"11\""},
      {"size=+3", defaults, "size must be a whole number from 1 to 10, not \" 3\""},
      {"fast=3&size=%zz", defaults, "size must be a whole number from 1 to 10, not \"%zz\""},
      {"size=", defaults, "size must be a whole number from 1 to 10, not \"\""},
      {"size", defaults, "\"size\" needs a value (size=...)"},
      {"delay=5", defaults,
       "unknown setting \"delay\" (known: fast, bright, size, satiation, color, alpha, seed, frames)"},
      {"Size=3", defaults, "unknown setting \"Size\""},
      {"seed=4294967296", defaults, "seed must be a whole number from 0 to 4294967295, not \"4294967296\""},
      {"frames=0", defaults, "frames must be a whole number from 1 to 100000, not \"0\""},
  };
  for (const QueryCase& c : cases) {
    const ParsedPageOptions parsed = ParsePageQuery(c.query);
    EXPECT_EQ(parsed.error.rfind(c.error, 0), 0u) << c.query << " gave: " << parsed.error;
    EXPECT_EQ(parsed.error.empty(), *c.error == '\0') << c.query;
    EXPECT_TRUE(same(parsed.options.settings, c.settings)) << c.query;
    if (!parsed.error.empty()) {
      EXPECT_FALSE(parsed.options.seed || parsed.options.frames) << c.query;
    }
  }
}

TEST(PageQuery, ReadsTheFixedSeedAndFrameCount) {
  const ParsedPageOptions parsed = ParsePageQuery("seed=4294967295&frames=100000&size=5");
  ASSERT_EQ(parsed.error, "");
  EXPECT_EQ(parsed.options.seed, 4294967295u);
  EXPECT_EQ(parsed.options.frames, kMaxFixedFrames);
  EXPECT_EQ(parsed.options.settings.Size, 5);
}

TEST(PageQuery, GivesBackTheSettingsItWasGiven) {
  EXPECT_EQ(PageQuery(DefaultSettings()), "");
  const Settings changed{10, 1, 9, 2, 30, 4};
  const std::string query = PageQuery(changed);
  EXPECT_EQ(query, "fast=10&bright=1&size=9&satiation=2&color=30&alpha=4");
  const ParsedPageOptions parsed = ParsePageQuery(query);
  EXPECT_EQ(parsed.error, "");
  EXPECT_TRUE(same(parsed.options.settings, changed));
}

TEST(PageQuery, PanelChangesOneSettingAndKeepsTheRest) {
  Settings settings = withDefaults(&Settings::Speed, 9);
  EXPECT_EQ(SetPageSetting(settings, "color", "30"), "");
  EXPECT_EQ(settings.SwayRate, 30);
  EXPECT_EQ(settings.Speed, 9);
  EXPECT_EQ(SetPageSetting(settings, "color", "31"), "color must be a whole number from 1 to 30, not \"31\"");
  EXPECT_EQ(settings.SwayRate, 30);
}

TEST(PageQuery, DescribesThePanelFromTheTable) {
  const std::string json = SettingsJson(withDefaults(&Settings::Size, 8));
  EXPECT_EQ(json.rfind("[{\"name\":\"fast\",\"label\":\"Speed\",", 0), 0u) << json;
  EXPECT_NE(json.find("{\"name\":\"size\",\"label\":\"Flake size\",\"meaning\":\"how large each flake is drawn\","
                      "\"lowLabel\":\"Small\",\"highLabel\":\"Large\",\"low\":1,\"high\":10,\"value\":8}"),
            std::string::npos)
      << json;
  EXPECT_EQ(json.find("alpha"), std::string::npos) << "a setting nothing draws with is on the panel: " << json;
}
