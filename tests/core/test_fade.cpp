#include <gtest/gtest.h>

#include <climits>

#include "core/fade.h"

namespace {

// The opacity byte after each of the first `ticks` ticks of the fade every
// platform runs.
std::vector<int> fade(std::int32_t bright, int ticks) {
  std::vector<int> bytes;
  FadeIn fadeIn;
  for (int t = 0; t < ticks; ++t) {
    bytes.push_back(fadeIn.tick(bright));
    if (fadeIn.opacity(bright) != bytes.back()) ADD_FAILURE() << "the byte shown after tick " << t + 1;
    if (fadeIn.done() != (t + 1 >= 100)) ADD_FAILURE() << "done after tick " << t + 1;
  }
  return bytes;
}

std::vector<int> slice(const std::vector<int>& v, int firstTick, int lastTick) {
  return {v.begin() + firstTick - 1, v.begin() + lastTick};
}

TEST(Fade, ReachesOneOnTheHundredthTickAndStays) {
  double level = 0;
  for (int t = 1; t <= 99; ++t) level = NextFadeLevel(level);
  EXPECT_LT(level, 1.0);
  level = NextFadeLevel(level);
  EXPECT_EQ(level, 1.0000000000000007);
  EXPECT_EQ(NextFadeLevel(level), level);
}

TEST(Fade, OpacityTableComesOutExactly) {
  using V = std::vector<int>;
  const auto b10 = fade(10, 110), b5 = fade(5, 110), b1 = fade(1, 110);
  EXPECT_EQ(slice(b10, 1, 5), (V{8, 10, 12, 15, 18}));
  EXPECT_EQ(slice(b10, 49, 52), (V{128, 130, 133, 135}));
  EXPECT_EQ(slice(b10, 98, 101), (V{250, 253, 255, 255}));
  EXPECT_EQ(b10[8], 27);  // tick 9: an exact half in doubles, not in x87 extended
  EXPECT_EQ(slice(b5, 1, 5), (V{6, 8, 9, 10, 11}));
  EXPECT_EQ(slice(b5, 49, 52), (V{66, 68, 69, 70}));
  EXPECT_EQ(slice(b5, 98, 101), (V{128, 129, 130, 130}));
  EXPECT_EQ(slice(b1, 1, 5), (V{5, 6, 6, 6, 6}));
  EXPECT_EQ(slice(b1, 49, 52), (V{17, 18, 18, 18}));
  EXPECT_EQ(slice(b1, 98, 101), (V{30, 30, 30, 30}));
}

TEST(Fade, OutOfRangeBrightnessSaturates) {
  const double full = 1.0000000000000007;
  EXPECT_EQ(OpacityByte(11, full), 255);  // 280 would wrap to 24
  EXPECT_EQ(OpacityByte(INT_MAX, full), 255);
  EXPECT_EQ(OpacityByte(-1, full), 0);
  EXPECT_EQ(OpacityByte(INT_MIN, full), 0);
  EXPECT_EQ(OpacityByte(0, full), 5);
  EXPECT_EQ(OpacityByte(10, 0.0), 5);
}

}  // namespace
