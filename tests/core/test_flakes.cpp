#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <memory>

#include "core/settings.h"
#include "core/flakes.h"
#include "field_test.h"

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180;

class Flakes : public FieldTest {
 protected:
  void setSettings(std::int32_t fast, std::int32_t size, std::int32_t satiation, std::int32_t color) {
    s.Speed = fast;
    s.Size = size;
    s.FlakeCount = satiation;
    s.SwayRate = color;
  }
};
using FlakeLattice = Flakes;
using FlakeGenerator = Flakes;
using RandomIntTest = Flakes;

// Without a current context the GL calls do nothing, so the model runs alone.
class FlakeModel : public Flakes {
 protected:
  void SetUp() override {
    SeedFlakeTable(f, 1234);
    f.SwayAngle = 0;
    f.SwayStep = 0.5;
    setSettings(3, 3, 10, 5);
  }
};

TEST_F(FlakeLattice, WorkedExampleToSixDecimals) {
  FillLattice(f, 7, 0.5, 1.0);
  const auto& x = f.LatticeX[7];
  const auto& y = f.LatticeY[7];
  EXPECT_NEAR(x[0][0], -0.005000, 5e-7);
  EXPECT_NEAR(y[0][0], 0.206628, 5e-7);
  EXPECT_NEAR(x[2][4], 0.010879, 5e-7);
  EXPECT_NEAR(y[2][4], 0.553038, 5e-7);
  EXPECT_NEAR(x[5][0], 0.260642, 5e-7);
  EXPECT_NEAR(y[5][0], 1.072653, 5e-7);
  // Ring 5's radial factor is negative, so its -30 degree point lies at +x.
  EXPECT_GT(x[5][0], 0);
}

TEST_F(FlakeLattice, RingsCoverTheSectorWithBothEndsAndTheirOwnRadius) {
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
  FillLattice(f, 3, 0.0, 0.0);
  EXPECT_NEAR(f.LatticeX[3][3][6], std::sin(30 * kDegree) * 0.61 * std::cos(0.61), 1e-12);
  EXPECT_NEAR(f.LatticeY[3][3][6], std::cos(30 * kDegree) * 0.61, 1e-12);
  EXPECT_NEAR(f.LatticeX[3][4][0], -std::sin(30 * kDegree) * 0.81 * std::cos(0.81), 1e-12);
}

TEST_F(FlakeLattice, ArmsAreMirrorSymmetricAndUnusedEntriesStayZero) {
  FillLattice(f, 9, 2.995, -0.5);
  for (int k = 1; k < kDrawnRings; ++k)
    for (int j = 0; j < k; ++j) {
      EXPECT_NEAR(f.LatticeX[9][k][j], -f.LatticeX[9][k][2 * k - j], 1e-12);
      EXPECT_NEAR(f.LatticeY[9][k][j], f.LatticeY[9][k][2 * k - j], 1e-12);
    }
  for (int k = 0; k < kLatticeRings; ++k)
    for (int j = 0; j < kLatticePoints; ++j)
      if (k >= kDrawnRings || j > 2 * k) {
        ASSERT_EQ(f.LatticeX[9][k][j], 0.0);
        ASSERT_EQ(f.LatticeY[9][k][j], 0.0);
      }
}

TEST_F(FlakeGenerator, SeededTableLiesInItsRanges) {
  for (std::uint32_t seed : {1u, 2u, 99u, 123456u}) {
    SeedFlakeTable(f, seed);
    for (int i = 0; i < kFlakeCount; ++i) {
      ASSERT_GE(f.PosX[i], -3.0);
      ASSERT_LE(f.PosX[i], -0.01 + 1e-12);
      ASSERT_GE(f.Height[i], -1.70 - 1e-12);
      ASSERT_LE(f.Height[i], 6.29 + 1e-12);
      ASSERT_GE(f.Depth[i], -2.49 - 1e-12);
      ASSERT_LE(f.Depth[i], 0.0);
      // Every one of the 36 points was written: none is exactly at the origin.
      for (int k = 0; k < kDrawnRings; ++k)
        for (int j = 0; j <= 2 * k; ++j)
          ASSERT_NE(f.LatticeX[i][k][j] == 0 && f.LatticeY[i][k][j] == 0, true);
    }
  }
}

TEST_F(FlakeGenerator, TouchesOnlyItsFlakeAndSeedingRepeats) {
  SeedFlakeTable(f, 77);
  const auto before = std::make_unique<FlakeField>(f);
  GenerateFlake(f, 50);
  for (int i = 0; i < kFlakeCount; ++i) {
    if (i == 50) continue;
    ASSERT_EQ(f.PosX[i], before->PosX[i]);
    ASSERT_EQ(f.Height[i], before->Height[i]);
    ASSERT_EQ(0, std::memcmp(f.LatticeX[i], before->LatticeX[i], sizeof before->LatticeX[i]));
  }
  SeedFlakeTable(f, 77);
  EXPECT_EQ(0, std::memcmp(f.LatticeX, before->LatticeX, sizeof f.LatticeX));
  EXPECT_EQ(0, std::memcmp(f.Height, before->Height, sizeof f.Height));

  // A field started again, wherever its sway had got to, is the seeded table
  // with the sway at 0 and the first step given.
  f.SwayAngle = 812.5;
  f.SwayStep = -2;
  StartField(f, 0.6, 77);
  EXPECT_EQ(0, std::memcmp(f.Height, before->Height, sizeof f.Height));
  EXPECT_EQ(f.SwayAngle, 0);
  EXPECT_EQ(f.SwayStep, 0.6);
}

TEST_F(RandomIntTest, StaysInRangeAndCoversIt) {
  f.Random.seed(5);
  bool seen[7] = {};
  for (int i = 0; i < 2000; ++i) {
    const int v = RandomInt(f, 7);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 7);
    seen[v] = true;
  }
  for (bool hit : seen) EXPECT_TRUE(hit);
  EXPECT_EQ(RandomInt(f, 1), 0);
  EXPECT_EQ(RandomInt(f, 0), 0);
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
  std::memcpy(before, f.Height, sizeof before);
  DrawFlakes(f, s, StepFlakes(f, s));
  for (int i = 0; i <= 10; ++i) EXPECT_DOUBLE_EQ(f.Height[i], before[i] - 3 * 0.005);
  for (int i = 11; i < kFlakeCount; ++i) EXPECT_EQ(f.Height[i], before[i]) << i;

  s.FlakeCount = 0;
  DrawFlakes(f, s, StepFlakes(f, s));
  EXPECT_DOUBLE_EQ(f.Height[0], before[0] - 2 * (3 * 0.005));
  EXPECT_DOUBLE_EQ(f.Height[1], before[1] - 3 * 0.005);

  // Negative: nothing falls, but the sway still advances.
  s.FlakeCount = -1;
  const double angle = f.SwayAngle;
  DrawFlakes(f, s, StepFlakes(f, s));
  EXPECT_DOUBLE_EQ(f.Height[0], before[0] - 2 * (3 * 0.005));
  EXPECT_DOUBLE_EQ(f.SwayAngle, angle + 0.5);
}

TEST_F(FlakeModel, RebirthOnlyStrictlyBelowTheLimit) {
  setSettings(200, 3, 0, 5);  // flake 0 alone, falling 1.0 a frame
  f.Height[0] = -2.0;
  DrawFlakes(f, s, StepFlakes(f, s));
  EXPECT_EQ(f.Height[0], -3.0);  // exactly at the limit: kept
  DrawFlakes(f, s, StepFlakes(f, s));
  EXPECT_GE(f.Height[0], 2.5);   // below it: born again high up, without this frame's fall
  EXPECT_LE(f.Height[0], 10.49 + 1e-12);
}

TEST_F(FlakeModel, RisingFlakesAreNeverReborn) {
  setSettings(-10, 3, 10, 5);
  const double start = f.Height[5];
  for (int frame = 0; frame < 1000; ++frame) DrawFlakes(f, s, StepFlakes(f, s));
  EXPECT_NEAR(f.Height[5], start + 1000 * 0.05, 1e-6);
}

TEST_F(FlakeModel, SwayTurnsAtZeroAndBetween500And2000) {
  s.FlakeCount = -1;  // the sway alone: no flake work
  f.SwayStep = 0;  // the full-screen start with Fast 0
  DrawFlakes(f, s, StepFlakes(f, s));
  EXPECT_EQ(f.SwayAngle, 0.0);
  EXPECT_EQ(f.SwayStep, 0.5);

  f.SwayAngle = 0;
  f.SwayStep = 0.5;
  double highest = 0;
  int upTurns = 0;
  for (int frame = 0; frame < 40000; ++frame) {
    const double before = f.SwayStep;
    DrawFlakes(f, s, StepFlakes(f, s));
    if (f.SwayAngle < 499.5 && before > 0) {
      ASSERT_GT(f.SwayStep, 0) << "below 500 an upward swing never turns: " << f.SwayAngle;
    }
    if (before > 0 && f.SwayStep < 0) {
      ++upTurns;
      ASSERT_GE(f.SwayAngle, 500);
    }
    highest = std::max(highest, f.SwayAngle);
    ASSERT_GE(f.SwayAngle, -0.5);
    if (f.SwayAngle <= 0) {
      ASSERT_EQ(f.SwayStep, 0.5);
    }
  }
  EXPECT_GT(upTurns, 5);
  EXPECT_LE(highest, 1999.5);

  // From 1999 on the turn is certain.
  f.SwayAngle = 1999;
  f.SwayStep = 0.5;
  DrawFlakes(f, s, StepFlakes(f, s));
  EXPECT_EQ(f.SwayStep, -0.5);
}

}  // namespace
