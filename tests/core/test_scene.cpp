#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "core/dim_frame.h"
#include "core/settings.h"
#include "core/flakes.h"
#include "core/gl.h"
#include "core/scene.h"
#include "field_test.h"
#include "offscreen.h"

namespace {

using Matrix = double[16];  // column-major, as OpenGL stores it

void multiply(const double* a, const double* b, double* out) {
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) {
      double sum = 0;
      for (int k = 0; k < 4; ++k) sum += a[k * 4 + r] * b[c * 4 + k];
      out[c * 4 + r] = sum;
    }
}

// perspective(45, aspect, 0.1, 100) x look-at from (0,0,5) to the origin,
// written out from the textbook formulas.
void expectedProjection(double aspect, double* out) {
  const double f = 1 / std::tan(45.0 / 2 * 3.14159265358979323846 / 180);
  const double n = 0.1, far = 100;
  const Matrix perspective = {f / aspect, 0, 0, 0, 0, f, 0, 0, 0, 0, (far + n) / (n - far), -1,
                              0, 0, 2 * far * n / (n - far), 0};
  const Matrix lookAt = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -5, 1};
  multiply(perspective, lookAt, out);
}

void projection(double* out) { glGetDoublev(GL_PROJECTION_MATRIX, out); }

using Frame = FieldTest;

TEST(Aspect, RoundsToFloatAndGuardsZeroHeight) {
  EXPECT_EQ(AspectRatio(1920, 1080), 1.7777777910232544);
  EXPECT_EQ(AspectRatio(1024, 768), static_cast<double>(4.0f / 3.0f));
  EXPECT_EQ(AspectRatio(0, 0), 1.0);
  EXPECT_EQ(AspectRatio(152, 0), 1.0);
  EXPECT_TRUE(std::isfinite(AspectRatio(-5, 3)));
}

TEST(Scene, ProjectionIsPerspectiveTimesLookAtAndModelViewStaysIdentity) {
  OffscreenContext gl(320, 180);
  ASSERT_TRUE(gl.ok());
  SetupScene(320, 180, 1920, 1080);

  Matrix expected, actual;
  expectedProjection(1.7777777910232544, expected);
  projection(actual);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-6) << i;

  Matrix modelView;
  glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(modelView[i], i % 5 == 0 ? 1.0 : 0.0) << i;

  GLint mode = 0, viewport[4] = {};
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(mode, GL_PROJECTION);
  EXPECT_EQ(viewport[2], 320);
  EXPECT_EQ(viewport[3], 180);

  // A second call changes nothing.
  SetupProjection(320, 180, 1920, 1080);
  Matrix again;
  projection(again);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(again[i], actual[i]) << i;

  // A zero height gives the square camera.
  SetupProjection(320, 180, 320, 0);
  expectedProjection(1.0, expected);
  projection(actual);
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-6) << i;
}

TEST(Scene, CapabilitiesAndLightReadBackAsSet) {
  OffscreenContext gl(64, 64);
  ASSERT_TRUE(gl.ok());
  SetupScene(64, 64, 64, 64);
  for (GLenum cap : {GLenum{GL_ALPHA_TEST}, GLenum{GL_DEPTH_TEST}, GLenum{GL_COLOR_MATERIAL}, GLenum{GL_LIGHTING},
                     GLenum{GL_BLEND}, GLenum{GL_LIGHT1}})
    EXPECT_TRUE(glIsEnabled(cap)) << cap;
  EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
  EXPECT_FALSE(glIsEnabled(GL_LIGHT2));

  GLint src = 0, dst = 0;
  glGetIntegerv(GL_BLEND_SRC, &src);
  glGetIntegerv(GL_BLEND_DST, &dst);
  EXPECT_EQ(src, GL_SRC_ALPHA);
  EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);

  GLfloat diffuse[4], position[4], clear[4];
  glGetLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
  glGetLightfv(GL_LIGHT1, GL_POSITION, position);
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  const GLfloat wantDiffuse[4] = {0.9f, 0.9f, 0.9f, 0.7f};
  const GLfloat wantPosition[4] = {5, 0, 15, 0.7f};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(diffuse[i], wantDiffuse[i]);
    EXPECT_EQ(position[i], wantPosition[i]);  // identity model-view: unchanged
    EXPECT_EQ(clear[i], 0.0f);
  }
}

TEST_F(Frame, DrawsLitPointsAndLeavesTheStackAsItWas) {
  OffscreenContext gl(320, 240);
  ASSERT_TRUE(gl.ok());
  SetupScene(320, 240, 320, 240);
  SeedFlakeTable(f, 42);
  f.SwayStep = 0.6;

  Matrix before, after;
  projection(before);
  GLint depthBefore = 0, depthAfter = 0;
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depthBefore);

  int swaps = 0;
  drawFrame(f, s, swaps);
  EXPECT_EQ(swaps, 1);

  projection(after);
  glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depthAfter);
  EXPECT_EQ(depthAfter, depthBefore);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], before[i]) << i;

  // Lit pixels where flakes are: project every visible flake's centre and
  // find light near most of them.
  const int lit = gl.litPixels(20);
  EXPECT_GT(lit, 500);
  EXPECT_LT(lit, 320 * 240 / 4);  // points, not a filled screen

  Matrix flake;
  int centresInView = 0, centresLit = 0;
  for (int i = 0; i < kFlakeCount; ++i) {
    glPushMatrix();
    glRotatef(static_cast<GLfloat>(f.SwayAngle * f.Depth[i] * 5 / 5), 0, 1, 0);
    glTranslatef(static_cast<GLfloat>(f.PosX[i]), static_cast<GLfloat>(f.Height[i]),
                 static_cast<GLfloat>(f.Depth[i]));
    glGetDoublev(GL_PROJECTION_MATRIX, flake);
    glPopMatrix();
    const double w = flake[15];
    const double sx = (flake[12] / w + 1) / 2 * 320, sy = (flake[13] / w + 1) / 2 * 240;
    if (sx < 4 || sy < 4 || sx > 315 || sy > 235) continue;
    ++centresInView;
    bool found = false;
    for (int dy = -4; dy <= 4 && !found; ++dy)
      for (int dx = -4; dx <= 4 && !found; ++dx) {
        const auto* p = gl.pixel(static_cast<int>(sx) + dx, static_cast<int>(sy) + dy);
        found = p[0] > 20;
      }
    if (found) ++centresLit;
  }
  EXPECT_GT(centresInView, 10);
  EXPECT_GE(centresLit, centresInView * 9 / 10);
}

TEST_F(Frame, EmptyWhenNoFlakeIsVisible) {
  OffscreenContext gl(64, 64);
  ASSERT_TRUE(gl.ok());
  s.FlakeCount = -1;
  SetupScene(64, 64, 64, 64);
  SeedFlakeTable(f, 3);
  int swaps = 0;
  drawFrame(f, s, swaps);
  EXPECT_EQ(gl.litPixels(0), 0);
}

}  // namespace

namespace {

// The frame a field draws into a fresh 160 x 120 buffer, as RGBA bytes.
std::vector<std::uint8_t> frameOf(FlakeField& field, const Settings& settings) {
  OffscreenContext gl(160, 120);
  EXPECT_TRUE(gl.ok());
  SetupScene(160, 120, 160, 120);
  int frames = 0;
  drawFrame(field, settings, frames);
  return std::vector<std::uint8_t>(gl.pixel(0, 0), gl.pixel(0, 0) + 160 * 120 * 4);
}

TEST_F(Frame, TwoFieldsSeededAlikeDrawAlikeAndStepApart) {
  const auto other = std::make_unique<FlakeField>();
  SeedFlakeTable(f, 11);
  SeedFlakeTable(*other, 11);
  f.SwayStep = other->SwayStep = 0.5;
  const auto first = frameOf(f, s);
  EXPECT_GT(std::count_if(first.begin(), first.end(), [](std::uint8_t b) { return b > 20; }), 100);
  EXPECT_EQ(first, frameOf(*other, s));

  // Stepping one field a few hundred frames leaves the other exactly as it was.
  const auto untouched = std::make_unique<FlakeField>(*other);
  for (int frame = 0; frame < 300; ++frame) StepFlakes(f, s);
  EXPECT_EQ(0, std::memcmp(other->Height, untouched->Height, sizeof other->Height));
  EXPECT_EQ(other->SwayAngle, untouched->SwayAngle);
  EXPECT_EQ(other->Random, untouched->Random);
  EXPECT_NE(frameOf(f, s), frameOf(*other, s));

  // Seeded apart, two fields draw different pictures.
  SeedFlakeTable(f, 12);
  SeedFlakeTable(*other, 13);
  EXPECT_NE(frameOf(f, s), frameOf(*other, s));
}

}  // namespace

namespace {

// Dimming to a byte scales every pixel the frame drew by byte / 255, and the
// next frame draws as if nothing had happened.
TEST_F(Frame, DimmingScalesEveryPixelAndLeavesTheSceneAsSet) {
  const auto other = std::make_unique<FlakeField>();
  SeedFlakeTable(f, 5);
  SeedFlakeTable(*other, 5);
  const auto full = frameOf(f, s);
  for (const std::uint8_t opacity : {std::uint8_t{255}, std::uint8_t{130}, std::uint8_t{5}}) {
    OffscreenContext gl(160, 120);
    ASSERT_TRUE(gl.ok());
    SetupScene(160, 120, 160, 120);
    auto copy = std::make_unique<FlakeField>(*other);
    int frames = 0;
    drawFrame(*copy, s, frames);
    DimFrame(opacity);
    glFinish();
    int brightest = 0;
    for (std::size_t i = 0; i < full.size(); ++i) {
      if (i % 4 == 3) continue;  // alpha
      brightest = std::max<int>(brightest, full[i]);
      EXPECT_NEAR(gl.pixels()[i], full[i] * opacity / 255.0, 1.0) << "byte " << i << " at " << int{opacity};
    }
    EXPECT_GT(brightest, 200);
    // The scene state is back: a further frame of the same field draws as a
    // frame without dimming does.
    auto again = std::make_unique<FlakeField>(*other);
    drawFrame(*again, s, frames);
    EXPECT_EQ(gl.pixels(), full) << int{opacity};
  }
}

}  // namespace
