// The vertex-array drawing against immediate mode: the same seeded field,
// stepped alike, must give the very same pixels frame after frame.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <vector>

#include "core/flakes.h"
#include "core/gl.h"
#include "core/scene.h"
#include "offscreen.h"

namespace {

struct Case {
  const char* name;
  std::uint32_t seed;
  Settings settings;
  double swayStep;
};

// Renders `frames` frames both ways from one seeded field and returns the
// lit-pixel count of the last frame; fails on the first differing frame.
int compareFrames(const Case& c, int width, int height, int frames) {
  OffscreenContext context(width, height);
  EXPECT_TRUE(context.ok());
  SetupScene(width, height, width, height);
  auto immediate = std::make_unique<FlakeField>();
  SeedFlakeTable(*immediate, c.seed);
  immediate->SwayStep = c.swayStep;
  auto arrays = std::make_unique<FlakeField>(*immediate);
  auto vertices = std::make_unique<FlakeVertices>();
  int lit = 0;
  for (int frame = 0; frame < frames; ++frame) {
    DrawFrame(*immediate, c.settings);
    glFinish();
    const std::vector<std::uint8_t> expected = context.pixels();
    DrawFrameWithArrays(*arrays, c.settings, *vertices);
    glFinish();
    lit = context.litPixels();
    if (context.pixels() != expected) {
      ADD_FAILURE() << c.name << ": frame " << frame << " differs";
      return lit;
    }
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  return lit;
}

TEST(ArrayDrawing, SamePixelsAsImmediateModeAcrossSeedsAndSettings) {
  const Settings defaults = DefaultSettings();
  const Case cases[] = {
      {"defaults", 1, defaults, 0.5},
      {"largest slider values", 7, Settings{10, 10, 10, 10, 30, 10}, 2},
      {"smallest slider values", 12345, Settings{0, 1, 1, 1, 1, 1}, 0.5},
      {"huge size and rotation", 99, Settings{10, 10, 400, 10, INT_MAX, 0}, 3},
      {"negative size and rotation", 3, Settings{-7, 10, -25, 10, INT_MIN, 0}, 1},
  };
  for (const Case& c : cases) {
    const int lit = compareFrames(c, 320, 240, 40);
    EXPECT_GT(lit, 0) << c.name << ": nothing drawn, so nothing compared";
  }
}

TEST(ArrayDrawing, SamePixelsWithRebirths) {
  // Fast 10 over 300 frames: every flake falls 15 units, so each is reborn.
  const Case c{"rebirths", 2024, Settings{10, 10, 3, 10, 5, 0}, 0.5};
  EXPECT_GT(compareFrames(c, 800, 600, 300), 0);
}

TEST(ArrayDrawing, NoFlakesDrawsNothingAndLeavesStateAsFound) {
  OffscreenContext context(64, 64);
  ASSERT_TRUE(context.ok());
  SetupScene(64, 64, 64, 64);
  auto field = std::make_unique<FlakeField>();
  SeedFlakeTable(*field, 5);
  auto vertices = std::make_unique<FlakeVertices>();
  GLint depthBefore = 0;
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depthBefore);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  DrawFlakesWithArrays(*field, DefaultSettings(), -5, *vertices);
  glFinish();
  EXPECT_EQ(context.litPixels(), 0);
  DrawFlakesWithArrays(*field, DefaultSettings(), 1000, *vertices);  // clamped to the table
  glFinish();
  EXPECT_GT(context.litPixels(), 0);
  GLint depthAfter = 0;
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depthAfter);
  EXPECT_EQ(depthAfter, depthBefore);
  EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
  GLfloat colour[4] = {0, 0, 0, 0};
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[0], 1.0f);
  EXPECT_EQ(colour[3], 1.0f);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
