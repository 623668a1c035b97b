#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/flakes.h"
#include "core/frame_rate.h"
#include "core/frame_rate_text.h"
#include "core/gl.h"
#include "core/scene.h"
#include "offscreen.h"

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

namespace {

bool isText(const std::uint8_t* p) {
  return p[0] == kFrameRateTextRgb[0] && p[1] == kFrameRateTextRgb[1] && p[2] == kFrameRateTextRgb[2];
}

// The text's pixels in a viewport's corner, as rows of '#' and '.' from the
// top, the glyph cells' height and the given width.
std::vector<std::string> cornerOf(const OffscreenContext& gl, int left, int bottom, int columns) {
  std::vector<std::string> rows;
  for (int y = bottom + kFrameRateMargin + kFrameRateGlyphHeight - 1; y >= bottom + kFrameRateMargin; --y) {
    std::string row;
    for (int x = left + kFrameRateMargin; x < left + kFrameRateMargin + columns; ++x)
      row += isText(gl.pixel(x, y)) ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}

int textPixels(const OffscreenContext& gl) {
  int n = 0;
  for (int y = 0; y < gl.height(); ++y)
    for (int x = 0; x < gl.width(); ++x) n += isText(gl.pixel(x, y)) ? 1 : 0;
  return n;
}

// An upright "F" in the corner, each font pixel 2 x 2, in the text's colour
// and nothing else; the text follows the viewport it is given (a monitor of
// a wider root window).
TEST(FrameRateText, UprightInTheCornerOfTheViewportGiven) {
  OffscreenContext gl(200, 80);
  ASSERT_TRUE(gl.ok());
  SetupScene(200, 80, 200, 80);
  for (const int left : {0, 90}) {
    const int bottom = left / 3;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawFrameRateText("F", left, bottom, 100, 50);
    glFinish();
    const std::string full = "##########..", stem = "##..........", bar = "########....";
    const std::vector<std::string> expected{full, full, stem, stem, stem, stem, bar, bar,
                                            stem, stem, stem, stem, stem, stem};
    EXPECT_EQ(cornerOf(gl, left, bottom, kFrameRateAdvance), expected) << left;
    EXPECT_EQ(textPixels(gl), 4 * (5 + 1 + 1 + 4 + 1 + 1 + 1)) << "nothing outside the glyph";
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Every character a figure is written with has a glyph of its own (none is
// blank, none repeats another), and other characters leave their cell blank.
TEST(FrameRateText, EachCharacterOfAFigureDrawsItsOwnGlyph) {
  OffscreenContext gl(64, 40);
  ASSERT_TRUE(gl.ok());
  SetupScene(64, 40, 64, 40);
  std::vector<std::vector<std::string>> seen;
  for (const char c : std::string("0123456789.:FPS")) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    const char text[2] = {c, '\0'};
    DrawFrameRateText(text, 0, 0, 64, 40);
    glFinish();
    const auto glyph = cornerOf(gl, 0, 0, kFrameRateAdvance);
    EXPECT_GT(textPixels(gl), 0) << c;
    for (const auto& other : seen) EXPECT_NE(glyph, other) << c;
    seen.push_back(glyph);
  }
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  DrawFrameRateText(" x?", 0, 0, 64, 40);
  glFinish();
  EXPECT_EQ(textPixels(gl), 0);
}

// The figure leaves the scene as it found it: the next frame of a field
// draws as a frame does that never had text before it, and the viewport and
// matrix mode read back unchanged.
TEST(FrameRateText, LeavesTheSceneAsSet) {
  const auto seeded = std::make_unique<FlakeField>();
  SeedFlakeTable(*seeded, 8);
  seeded->SwayStep = 0.5;
  std::vector<std::uint8_t> frames[2];
  for (const bool text : {false, true}) {
    OffscreenContext gl(160, 120);
    ASSERT_TRUE(gl.ok());
    SetupScene(160, 120, 160, 120);
    if (text) {
      DrawFrameRateText("FPS: 31.9", 10, 10, 140, 100);
      glFinish();
      EXPECT_GT(textPixels(gl), 100);
      GLint viewport[4] = {}, mode = 0;
      glGetIntegerv(GL_VIEWPORT, viewport);
      glGetIntegerv(GL_MATRIX_MODE, &mode);
      EXPECT_EQ(viewport[2], 160);
      EXPECT_EQ(mode, GL_PROJECTION);
    }
    auto field = std::make_unique<FlakeField>(*seeded);
    DrawFrame(*field, DefaultSettings());
    glFinish();
    EXPECT_GT(gl.litPixels(20), 100);
    frames[text] = gl.pixels();
  }
  EXPECT_EQ(frames[0], frames[1]);
}

}  // namespace
