// The frame rate drawn over a frame (-fps), as XScreenSaver's GL programs
// show it: "FPS: 31.9" in the bottom-left corner, in a small bitmap font of
// our own drawn with glBitmap (GL 1.1), so every desktop-GL surface draws it
// alike. The page shows its figure in HTML instead.
#pragma once

// Text colour: the Windows dialog's label colour, 0xE1BE00.
constexpr unsigned char kFrameRateTextRgb[3] = {0xE1, 0xBE, 0x00};

// Glyph cells in pixels: 5 x 7 font pixels, each drawn 2 x 2, one font pixel
// apart; the text starts this far in from the corner.
constexpr int kFrameRateGlyphWidth = 10;
constexpr int kFrameRateGlyphHeight = 14;
constexpr int kFrameRateAdvance = 12;
constexpr int kFrameRateMargin = 8;

// Draws text into the bottom-left corner of the viewport given in GL's
// bottom-up pixels. Digits, '.', ':', ' ', 'F', 'P' and 'S' have glyphs;
// any other character leaves a blank cell. Every piece of GL state it
// touches goes back as it was.
void DrawFrameRateText(const char* text, int left, int bottom, int width, int height);
