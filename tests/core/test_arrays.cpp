// The flakes' client vertex array: the count clamped to the table, and the
// state it sets left as the next frame expects.
#include <gtest/gtest.h>

#include <memory>

#include "core/flakes.h"
#include "core/gl.h"
#include "core/scene.h"
#include "offscreen.h"

namespace {

TEST(ArrayDrawing, NoFlakesDrawsNothingAndLeavesStateAsFound) {
  OffscreenContext context(64, 64);
  ASSERT_TRUE(context.ok());
  SetupScene(64, 64, 64, 64);
  auto field = std::make_unique<FlakeField>();
  SeedFlakeTable(*field, 5);
  GLint depthBefore = 0;
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depthBefore);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  DrawFlakes(*field, DefaultSettings(), -5);
  glFinish();
  EXPECT_EQ(context.litPixels(), 0);
  DrawFlakes(*field, DefaultSettings(), 1000);  // clamped to the table
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
