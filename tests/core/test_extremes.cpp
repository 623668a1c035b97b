// Stored settings can hold any 32-bit value; the model must run on all of
// them for a long time without undefined behaviour (the sanitizers watch),
// without leaving the table, and without values that grow without bound.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>

#include "core/settings.h"
#include "core/flakes.h"
#include "core/scene.h"
#include "field_test.h"
#include "offscreen.h"

namespace {

using ExtremeSettings = FieldTest;
using Endurance = FieldTest;

struct Combination {
  std::string name;
  std::int32_t fast, size, satiation, color;
};

std::vector<Combination> extremeCombinations() {
  const std::int32_t defaults[4] = {3, 3, 10, 5};
  const char* names[4] = {"Fast", "Size", "Satiation", "Color"};
  const std::int32_t sliderMax[4] = {10, 10, 10, 30};
  std::vector<Combination> all;
  for (int which = -1; which < 4; ++which)
    for (std::int64_t v : {std::int64_t{INT_MIN}, std::int64_t{-1}, std::int64_t{0}, std::int64_t{1},
                           std::int64_t{-2}, std::int64_t{INT_MAX}}) {
      std::int32_t s[4];
      for (int k = 0; k < 4; ++k) {
        // -2 stands for "slider maximum + 1" of each setting.
        const std::int32_t value = v == -2 ? sliderMax[k] + 1 : static_cast<std::int32_t>(v);
        s[k] = (which == -1 || which == k) ? value : defaults[k];
      }
      const std::string label = (which == -1 ? std::string("all") : names[which]) + "=" + std::to_string(s[which == -1 ? 0 : which]);
      all.push_back({label, s[0], s[1], s[2], s[3]});
    }
  return all;
}

Settings settingsFor(const Combination& c) {
  Settings s = DefaultSettings();
  s.Speed = c.fast;
  s.Size = c.size;
  s.FlakeCount = c.satiation;
  s.SwayRate = c.color;
  return s;
}

long framesFromEnvironment(const char* name, long fallback) {
  const char* text = std::getenv(name);
  return text != nullptr ? std::strtol(text, nullptr, 10) : fallback;
}

// The sway swings inside [-0.5, 1999.5] at a step of +-0.5 after its first turn.
void expectSwayBounded(const FlakeField& f) {
  ASSERT_GE(f.SwayAngle, -0.5);
  ASSERT_LE(f.SwayAngle, 1999.5 + 2.0);  // the first swing may run at up to Fast / 5
}

TEST_F(ExtremeSettings, ModelRunsAHundredThousandFramesOnEveryCombination) {
  for (const Combination& c : extremeCombinations()) {
    SCOPED_TRACE(c.name);
    SeedFlakeTable(f, 17);
    f.SwayAngle = 0;
    f.SwayStep = 0.5;
    const Settings extreme = settingsFor(c);
    for (int frame = 0; frame < 100000; ++frame) {
      const int count = StepFlakes(f, extreme);
      ASSERT_LE(count, kFlakeCount);
      ASSERT_GE(count, 0);
    }
    expectSwayBounded(f);
    for (int i = 0; i < kFlakeCount; ++i) {
      ASSERT_TRUE(std::isfinite(f.Height[i])) << i;
      if (c.fast >= 0 && i < FlakesToDraw(c.satiation)) {
        // Falling flakes stay between the rebirth limit and the highest birth.
        ASSERT_GE(f.Height[i], -3.0) << i;
        ASSERT_LE(f.Height[i], 10.49 + 1e-9) << i;
      }
    }
  }
}

TEST_F(ExtremeSettings, FramesDrawOnEveryCombination) {
  OffscreenContext gl(48, 48);
  ASSERT_TRUE(gl.ok());
  for (const Combination& c : extremeCombinations()) {
    SCOPED_TRACE(c.name);
    SetupScene(48, 48, 48, 48);
    SeedFlakeTable(f, 5);
    f.SwayStep = 0.5;
    const Settings extreme = settingsFor(c);
    int swaps = 0;
    for (int frame = 0; frame < 10; ++frame) drawFrame(f, extreme, swaps);
    GLint depth = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
}

// Endurance: FLINDRA_ENDURANCE_FRAMES frames (make endurance runs 10 million)
// at the default settings keep every value inside its documented range.
TEST_F(Endurance, ModelStaysBoundedOverManyFrames) {
  const long frames = framesFromEnvironment("FLINDRA_ENDURANCE_FRAMES", 200000);
  SeedFlakeTable(f, 2024);
  f.SwayAngle = 0;
  f.SwayStep = 0.6;
  s.Speed = 3;
  s.FlakeCount = 10;
  long turns = 0;
  for (long frame = 0; frame < frames; ++frame) {
    const double step = f.SwayStep;
    StepFlakes(f, s);
    if (step != f.SwayStep) ++turns;
    if (frame % 1000 == 0) {
      expectSwayBounded(f);
      for (int i = 0; i < kFlakeCount; ++i) {
        ASSERT_GE(f.Height[i], -3.0);
        ASSERT_LE(f.Height[i], 10.49 + 1e-9);
        ASSERT_GE(f.Depth[i], -2.49 - 1e-12);
      }
    }
  }
  expectSwayBounded(f);
  EXPECT_EQ(std::fabs(f.SwayStep), 0.5);
  EXPECT_GT(turns, frames / 8000);  // the sway keeps swinging
}

}  // namespace
