#include <gtest/gtest.h>

#include <vector>

#include "core/beat.h"

namespace {

// One table for the rule every platform steps by: a frame takes at most one
// step; one up to half a beat early takes it and the schedule keeps its
// phase; more than a beat behind, the schedule starts again from now.
TEST(Beat, AtMostOneStepAFrameOnASchedule) {
  struct Frame {
    double atMs;
    bool due;
    double msUntilDue;  // after the call
  };
  const std::vector<Frame> frames = {
      {1000, true, 31},    // the first frame steps; next at 1031
      {1010, false, 21},   // too early
      {1016, true, 46},    // half a beat early: next at 1062, the phase kept
      {1040, false, 22},   //
      {1062, true, 31},    // on time: next at 1093
      {1124, true, 0},     // 31 ms late, one step only: next at 1124, due now
      {1124, true, 31},    // and the next frame takes it: next at 1155
      {1160, true, 26},    // 5 ms late, the phase kept: next at 1186
      {1300, true, 31},    // far behind: no catch-up, next at 1331
      {1301, false, 30},   //
      {1331, true, 31},
  };
  Beat beat;
  for (const Frame& f : frames) {
    EXPECT_EQ(beat.due(f.atMs), f.due) << "at " << f.atMs;
    EXPECT_DOUBLE_EQ(beat.msUntilDue(f.atMs), f.msUntilDue) << "at " << f.atMs;
  }
}

TEST(Beat, AZeroIntervalStepsEveryFrame) {
  Beat beat(0);
  for (const double at : {5.0, 5.0, 7.5, 100.0}) EXPECT_TRUE(beat.due(at)) << at;
}

}  // namespace
