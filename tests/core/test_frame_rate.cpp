#include <gtest/gtest.h>

#include <string>

#include "core/frame_rate.h"

namespace {

// Frames every 0.1 s: the first starts the count, the ten after it span one
// second, and only then does the figure change.
TEST(FrameRate, CountsTheFramesAfterTheFirstOverAboutASecond) {
  FrameRate rate;
  for (int frame = 0; frame < 10; ++frame) {
    rate.countFrame(5 + frame * 0.1);
    ASSERT_EQ(std::string(rate.text()), "FPS: ...") << frame;
  }
  rate.countFrame(6.0);
  EXPECT_EQ(std::string(rate.text()), "FPS: 10.0");
  rate.countFrame(6.5);
  rate.countFrame(8.0);  // two frames over two seconds
  EXPECT_EQ(std::string(rate.text()), "FPS: 1.0");
}

}  // namespace
