#include "core/frame_rate_text.h"

#include <cstdint>

#include "core/gl.h"

namespace {

// Rows top to bottom; bit 4 is the leftmost font pixel.
struct Glyph {
  char c;
  std::uint8_t rows[7];
};
constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}}, {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}}, {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
};

// The glyph as glBitmap takes it: bottom row first, two bytes a row (the
// unpack alignment set to 1), each font pixel doubled both ways.
void bitmapOf(const Glyph& glyph, GLubyte (&bits)[kFrameRateGlyphHeight][2]) {
  for (int row = 0; row < kFrameRateGlyphHeight; ++row) {
    const unsigned fontRow = glyph.rows[6 - row / 2];
    unsigned wide = 0;  // 10 bits, the leftmost highest
    for (int column = 0; column < 5; ++column)
      if ((fontRow >> (4 - column)) & 1u) wide |= 3u << (8 - 2 * column);
    bits[row][0] = static_cast<GLubyte>(wide >> 2);
    bits[row][1] = static_cast<GLubyte>((wide & 3u) << 6);
  }
}

}  // namespace

void DrawFrameRateText(const char* text, int left, int bottom, int width, int height) {
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  // The colour material goes off before the text's colour: while on, it
  // copies the current colour into the material the flakes are lit with.
  glDisable(GL_COLOR_MATERIAL);
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_SCISSOR_TEST);
  glViewport(left, bottom, width, height);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, width, 0, height, -1, 1);
  glColor3ub(kFrameRateTextRgb[0], kFrameRateTextRgb[1], kFrameRateTextRgb[2]);
  // Half a pixel in, so rounding never moves the text to the pixel below.
  glRasterPos2f(kFrameRateMargin + 0.5f, kFrameRateMargin + 0.5f);
  for (const char* c = text; *c != '\0'; ++c) {
    const Glyph* glyph = nullptr;
    for (const Glyph& g : kGlyphs)
      if (g.c == *c) glyph = &g;
    GLubyte bits[kFrameRateGlyphHeight][2] = {};
    if (glyph != nullptr) bitmapOf(*glyph, bits);
    glBitmap(kFrameRateGlyphWidth, kFrameRateGlyphHeight, 0.0f, 0.0f, static_cast<GLfloat>(kFrameRateAdvance), 0.0f,
             &bits[0][0]);
  }
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopClientAttrib();
  glPopAttrib();
}
