#include <gtest/gtest.h>

#include <vector>

#include "web/page_options.h"

namespace {

struct QueryCase {
  const char* query;
  Settings settings;  // expected
  const char* error;  // the line's expected start, or "" for none
  long delayUs = kDefaultDelayUs;
  bool fps = false;
  const char* note = "";  // the console note's expected start
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

TEST(PageQuery, AppliesEachGoodKeyAndKeepsTheDefaultForABadOne) {
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
      {"size=11&fast=7", withDefaults(&Settings::Speed, 7),
       "size must be a whole number from 1 to 10, not \"11\"; using the default, 3"},
      {"size=+3", defaults, "size must be a whole number from 1 to 10, not \" 3\"; using the default, 3"},
      {"size=9&size=%zz", defaults, "size must be a whole number from 1 to 10, not \"%zz\""},
      {"size&color=x&fast=7", withDefaults(&Settings::Speed, 7), "size must be a whole number from 1 to 10, not \"\""},
      {"utm_source=news&fast=7&fbclid=Iw&Size=3", withDefaults(&Settings::Speed, 7), "", kDefaultDelayUs, false,
       "ignored what the page does not know: \"utm_source\", \"fbclid\", \"Size\""},
      {"a&b&c&d&e", defaults, "", kDefaultDelayUs, false, "ignored what the page does not know: \"a\", \"b\", \"c\" "
                                                          "and 2 more"},
      {"seed=x&frames=0&frames=100001", defaults, ""},  // the test knobs say nothing
      {"delay=0&fps", defaults, "", 0, true},
      {"delay=10000000&fps=1&fps=0", defaults, "", 10000000, false},
      {"delay=10000001&fps=on", defaults, "delay must be a whole number of microseconds from 0 to 10000000, not "
                                          "\"10000001\"; using the default, 31000", kDefaultDelayUs, true},
      {"fps=2", defaults, "fps must be 1, 0 or no value, not \"2\"; using the default, 0"},
  };
  for (const QueryCase& c : cases) {
    const ParsedPageOptions parsed = ParsePageQuery(c.query);
    EXPECT_EQ(parsed.error.rfind(c.error, 0), 0u) << c.query << " gave: " << parsed.error;
    EXPECT_EQ(parsed.error.empty(), *c.error == '\0') << c.query;
    EXPECT_EQ(parsed.note.rfind(c.note, 0), 0u) << c.query << " noted: " << parsed.note;
    EXPECT_EQ(parsed.note.empty(), *c.note == '\0') << c.query;
    EXPECT_TRUE(same(parsed.options.settings, c.settings)) << c.query;
    EXPECT_EQ(parsed.options.delayUs, c.delayUs) << c.query;
    EXPECT_EQ(parsed.options.fps, c.fps) << c.query;
    EXPECT_FALSE(parsed.options.seed || parsed.options.frames) << c.query;
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
  EXPECT_EQ(PageQuery(PageOptions()), "");
  PageOptions changed;
  changed.settings = Settings{10, 1, 9, 2, 30, 4};
  changed.delayUs = 50000;
  changed.fps = true;
  changed.seed = 5;
  const std::string query = PageQuery(changed);
  EXPECT_EQ(query, "fast=10&bright=1&size=9&satiation=2&color=30&alpha=4&delay=50000&fps");
  const ParsedPageOptions parsed = ParsePageQuery(query);
  EXPECT_EQ(parsed.error, "");
  EXPECT_TRUE(same(parsed.options.settings, changed.settings));
  EXPECT_EQ(parsed.options.delayUs, 50000);
  EXPECT_TRUE(parsed.options.fps);
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
