// A frame's points, one a pixel, drawn as a few textured rectangles instead
// of thousands of points: software WebGL pays per point far more than per
// texel, and a flake's points lie close together.
#pragma once

#include <cstdint>
#include <vector>

#include "web/webgl_draw.h"

// Pixels x0..x1 by y0..y1 (inclusive) in window coordinates; empty while x0 > x1.
struct PixelBox {
  int x0 = 1;
  int y0 = 1;
  int x1 = 0;
  int y1 = 0;
};

// The smallest box holding both.
PixelBox Union(const PixelBox& a, const PixelBox& b);

// One corner of a rectangle: where it goes (normalized device coordinates)
// and the atlas texel it takes (in texels, from the atlas's first row).
struct SpriteCorner {
  float ndc[2];
  float texel[2];
};

// Texels, alpha 255 where a point is and 0 elsewhere, row 0 first: grey and
// alpha when every point is grey (half the bytes to upload), else RGBA. And
// six corners (two triangles) for each rectangle.
struct SpriteFrame {
  int atlasWidth = 0;
  int atlasHeight = 0;
  int bytesPerTexel = 4;  // 2: grey, alpha
  std::vector<std::uint8_t> atlas;
  std::vector<SpriteCorner> corners;
};

// Lays out points, one a pixel (pixels[i] = x | y << 16), each in the group
// groups[i] whose pixels lie in boxes[groups[i]], as rectangles over the
// boxes of consecutive groups that overlap, packed into an atlas at most
// maxSize texels on either side. False when they do not fit.
bool BuildSprites(const std::vector<PointVertex>& points, const std::vector<std::uint32_t>& pixels,
                  const std::vector<std::uint32_t>& groups, const std::vector<PixelBox>& boxes, const int viewport[4],
                  int maxSize, SpriteFrame& frame);
