#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>

#include "core/Settings.h"
#include "core/funcs.h"

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180;

void setSettings(std::int32_t fast, std::int32_t size, std::int32_t satiation, std::int32_t color) {
  SaverSettings.Fast = fast;
  SaverSettings.Size = size;
  SaverSettings.Satiation = satiation;
  SaverSettings.Color = color;
}

// Without a current context the GL calls do nothing, so the model runs alone.
class FlakeModel : public ::testing::Test {
 protected:
  void SetUp() override {
    SeedFlakeTable(1234);
    SwayAngle = 0;
    SwayStep = 0.5;
    setSettings(3, 3, 10, 5);
  }
};

TEST(FlakeLattice, WorkedExampleToSixDecimals) {
  FillLattice(7, 0.5, 1.0);
  const auto& x = FlakeTable.LatticeX[7];
  const auto& y = FlakeTable.LatticeY[7];
  EXPECT_NEAR(x[0][0], -0.005000, 5e-7);
  EXPECT_NEAR(y[0][0], 0.206628, 5e-7);
  EXPECT_NEAR(x[2][4], 0.010879, 5e-7);
  EXPECT_NEAR(y[2][4], 0.553038, 5e-7);
  EXPECT_NEAR(x[5][0], 0.260642, 5e-7);
  EXPECT_NEAR(y[5][0], 1.072653, 5e-7);
  // Ring 5's radial factor is negative, so its -30 degree point lies at +x.
  EXPECT_GT(x[5][0], 0);
}

TEST(FlakeLattice, RingsCoverTheSectorWithBothEndsAndTheirOwnRadius) {
  EXPECT_DOUBLE_EQ(RingPointAngle(0, 0), -30 * kDegree);
  for (int k = 1; k < kDrawnRings; ++k) {
    EXPECT_NEAR(RingPointAngle(k, 0), -30 * kDegree, 1e-15) << "ring " << k;
    EXPECT_NEAR(RingPointAngle(k, 2 * k), 30 * kDegree, 1e-15) << "ring " << k;
    EXPECT_NEAR(RingPointAngle(k, k), 0, 1e-15) << "ring " << k;
  }
  EXPECT_NEAR(RingPointAngle(3, 6), 30 * kDegree, 1e-15);
  EXPECT_NEAR(RingRadius(3), 0.61, 1e-15);
  EXPECT_NEAR(RingRadius(4), 0.81, 1e-15);
  EXPECT_NEAR(RingPointAngle(4, 1), -22.5 * kDegree, 1e-15);

  // With no warp a point sits exactly at (r sin t cos r, r cos t): ring 3's
  // last point is at +30 degrees and radius 0.61, ring 4's first at -30, 0.81.
  FillLattice(3, 0.0, 0.0);
  EXPECT_NEAR(FlakeTable.LatticeX[3][3][6], std::sin(30 * kDegree) * 0.61 * std::cos(0.61), 1e-12);
  EXPECT_NEAR(FlakeTable.LatticeY[3][3][6], std::cos(30 * kDegree) * 0.61, 1e-12);
  EXPECT_NEAR(FlakeTable.LatticeX[3][4][0], -std::sin(30 * kDegree) * 0.81 * std::cos(0.81), 1e-12);
}

TEST(FlakeLattice, ArmsAreMirrorSymmetricAndUnusedEntriesStayZero) {
  FillLattice(9, 2.995, -0.5);
  for (int k = 1; k < kDrawnRings; ++k)
    for (int j = 0; j < k; ++j) {
      EXPECT_NEAR(FlakeTable.LatticeX[9][k][j], -FlakeTable.LatticeX[9][k][2 * k - j], 1e-12);
      EXPECT_NEAR(FlakeTable.LatticeY[9][k][j], FlakeTable.LatticeY[9][k][2 * k - j], 1e-12);
    }
  for (int k = 0; k < kLatticeRings; ++k)
    for (int j = 0; j < kLatticePoints; ++j)
      if (k >= kDrawnRings || j > 2 * k) {
        ASSERT_EQ(FlakeTable.LatticeX[9][k][j], 0.0);
        ASSERT_EQ(FlakeTable.LatticeY[9][k][j], 0.0);
      }
}

TEST(FlakeGenerator, SeededTableLiesInItsRanges) {
  for (std::uint32_t seed : {1u, 2u, 99u, 123456u}) {
    SeedFlakeTable(seed);
    for (int i = 0; i < kFlakeCount; ++i) {
      ASSERT_GE(FlakeTable.PosX[i], -3.0);
      ASSERT_LE(FlakeTable.PosX[i], -0.01 + 1e-12);
      ASSERT_GE(FlakeTable.Height[i], -1.70 - 1e-12);
      ASSERT_LE(FlakeTable.Height[i], 6.29 + 1e-12);
      ASSERT_GE(FlakeTable.Depth[i], -2.49 - 1e-12);
      ASSERT_LE(FlakeTable.Depth[i], 0.0);
      // Every one of the 36 points was written: none is exactly at the origin.
      for (int k = 0; k < kDrawnRings; ++k)
        for (int j = 0; j <= 2 * k; ++j)
          ASSERT_NE(FlakeTable.LatticeX[i][k][j] == 0 && FlakeTable.LatticeY[i][k][j] == 0, true);
    }
  }
}

TEST(FlakeGenerator, TouchesOnlyItsFlakeAndSeedingRepeats) {
  SeedFlakeTable(77);
  static FlakeTableArrays before;
  std::memcpy(&before, &FlakeTable, sizeof before);
  GenerateFlake(50);
  for (int i = 0; i < kFlakeCount; ++i) {
    if (i == 50) continue;
    ASSERT_EQ(FlakeTable.PosX[i], before.PosX[i]);
    ASSERT_EQ(FlakeTable.Height[i], before.Height[i]);
    ASSERT_EQ(0, std::memcmp(FlakeTable.LatticeX[i], before.LatticeX[i], sizeof before.LatticeX[i]));
  }
  SeedFlakeTable(77);
  EXPECT_EQ(0, std::memcmp(&before, &FlakeTable, sizeof before));
}

TEST(RandomIntTest, StaysInRangeAndCoversIt) {
  SeedRandom(5);
  bool seen[7] = {};
  for (int i = 0; i < 2000; ++i) {
    const int v = RandomInt(7);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 7);
    seen[v] = true;
  }
  for (bool s : seen) EXPECT_TRUE(s);
  EXPECT_EQ(RandomInt(1), 0);
  EXPECT_EQ(RandomInt(0), 0);
}

TEST(FlakeCount, FollowsSatiationAndNeverPassesTheTable) {
  EXPECT_EQ(FlakesToDraw(10), 101);
  EXPECT_EQ(FlakesToDraw(1), 11);
  EXPECT_EQ(FlakesToDraw(0), 1);
  EXPECT_EQ(FlakesToDraw(-1), 0);
  EXPECT_EQ(FlakesToDraw(INT_MIN), 0);
  EXPECT_EQ(FlakesToDraw(11), 101);
  EXPECT_EQ(FlakesToDraw(INT_MAX), 101);
}

TEST_F(FlakeModel, FlakesFallAndOnlyTheVisibleOnesMove) {
  setSettings(3, 3, 1, 5);
  double before[kFlakeCount];
  std::memcpy(before, FlakeTable.Height, sizeof before);
  StepAndDrawFlakes();
  for (int i = 0; i <= 10; ++i) EXPECT_DOUBLE_EQ(FlakeTable.Height[i], before[i] - 3 * 0.005);
  for (int i = 11; i < kFlakeCount; ++i) EXPECT_EQ(FlakeTable.Height[i], before[i]) << i;

  SaverSettings.Satiation = 0;
  StepAndDrawFlakes();
  EXPECT_DOUBLE_EQ(FlakeTable.Height[0], before[0] - 2 * (3 * 0.005));
  EXPECT_DOUBLE_EQ(FlakeTable.Height[1], before[1] - 3 * 0.005);

  // Negative: nothing falls, but the sway still advances.
  SaverSettings.Satiation = -1;
  const double angle = SwayAngle;
  StepAndDrawFlakes();
  EXPECT_DOUBLE_EQ(FlakeTable.Height[0], before[0] - 2 * (3 * 0.005));
  EXPECT_DOUBLE_EQ(SwayAngle, angle + 0.5);
}

TEST_F(FlakeModel, RebirthOnlyStrictlyBelowTheLimit) {
  setSettings(200, 3, 0, 5);  // flake 0 alone, falling 1.0 a frame
  FlakeTable.Height[0] = -2.0;
  StepAndDrawFlakes();
  EXPECT_EQ(FlakeTable.Height[0], -3.0);  // exactly at the limit: kept
  StepAndDrawFlakes();
  EXPECT_GE(FlakeTable.Height[0], 2.5);   // below it: born again high up, without this frame's fall
  EXPECT_LE(FlakeTable.Height[0], 10.49 + 1e-12);
}

TEST_F(FlakeModel, RisingFlakesAreNeverReborn) {
  setSettings(-10, 3, 10, 5);
  const double start = FlakeTable.Height[5];
  for (int f = 0; f < 1000; ++f) StepAndDrawFlakes();
  EXPECT_NEAR(FlakeTable.Height[5], start + 1000 * 0.05, 1e-6);
}

TEST_F(FlakeModel, SwayTurnsAtZeroAndBetween500And2000) {
  SaverSettings.Satiation = -1;  // the sway alone: no flake work
  SwayStep = 0;  // the full-screen start with Fast 0
  StepAndDrawFlakes();
  EXPECT_EQ(SwayAngle, 0.0);
  EXPECT_EQ(SwayStep, 0.5);

  SwayAngle = 0;
  SwayStep = 0.5;
  double highest = 0;
  int upTurns = 0;
  for (int f = 0; f < 40000; ++f) {
    const double before = SwayStep;
    StepAndDrawFlakes();
    if (SwayAngle < 499.5 && before > 0) {
      ASSERT_GT(SwayStep, 0) << "below 500 an upward swing never turns: " << SwayAngle;
    }
    if (before > 0 && SwayStep < 0) {
      ++upTurns;
      ASSERT_GE(SwayAngle, 500);
    }
    highest = std::max(highest, SwayAngle);
    ASSERT_GE(SwayAngle, -0.5);
    if (SwayAngle <= 0) {
      ASSERT_EQ(SwayStep, 0.5);
    }
  }
  EXPECT_GT(upTurns, 5);
  EXPECT_LE(highest, 1999.5);

  // From 1999 on the turn is certain.
  SwayAngle = 1999;
  SwayStep = 0.5;
  StepAndDrawFlakes();
  EXPECT_EQ(SwayStep, -0.5);
}

}  // namespace
