#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <utility>
#include <vector>

#include "web/point_sprites.h"

namespace {

using Pixel = std::pair<int, int>;

// What WebGL shows of a sprite frame: each rectangle's pixel centres
// sampled from the atlas (nearest texel), texels with alpha 0 left out.
std::map<Pixel, int> shown(const SpriteFrame& frame, const int viewport[4]) {
  std::map<Pixel, int> pixels;
  for (std::size_t c = 0; c + 6 <= frame.corners.size(); c += 6) {
    const SpriteCorner& lb = frame.corners[c];
    const SpriteCorner& rt = frame.corners[c + 5];
    const auto window = [&](float ndc, int axis) { return (ndc + 1) / 2 * static_cast<float>(viewport[2 + axis]) +
                                                          static_cast<float>(viewport[axis]); };
    const float x0 = window(lb.ndc[0], 0), x1 = window(rt.ndc[0], 0);
    const float y0 = window(lb.ndc[1], 1), y1 = window(rt.ndc[1], 1);
    for (int y = static_cast<int>(std::ceil(y0 - 0.5f)); static_cast<float>(y) + 0.5f < y1; ++y) {
      for (int x = static_cast<int>(std::ceil(x0 - 0.5f)); static_cast<float>(x) + 0.5f < x1; ++x) {
        const float cx = static_cast<float>(x) + 0.5f, cy = static_cast<float>(y) + 0.5f;  // pixel centres
        const float u = lb.texel[0] + (cx - x0) / (x1 - x0) * (rt.texel[0] - lb.texel[0]);
        const float v = lb.texel[1] + (cy - y0) / (y1 - y0) * (rt.texel[1] - lb.texel[1]);
        const auto texelBytes = static_cast<std::size_t>(frame.bytesPerTexel);
        const std::size_t at = (static_cast<std::size_t>(v) * static_cast<std::size_t>(frame.atlasWidth) +
                                static_cast<std::size_t>(u)) * texelBytes;
        if (frame.atlas[at + texelBytes - 1] != 0) pixels[{x, y}] = frame.atlas[at];
      }
    }
  }
  return pixels;
}

PixelBox boxOf(const std::vector<Pixel>& pixels) {
  PixelBox b{pixels[0].first, pixels[0].second, pixels[0].first, pixels[0].second};
  for (const auto& [x, y] : pixels) b = {std::min(b.x0, x), std::min(b.y0, y), std::max(b.x1, x), std::max(b.y1, y)};
  return b;
}

}  // namespace

TEST(PointSprites, ShowEveryPointOnItsPixelAndNothingElse) {
  // Three groups: two that overlap (a flake's arms), one far off; then one
  // group wider than any atlas.
  const std::vector<std::vector<Pixel>> groupPixels = {
      {{100, 50}, {101, 50}, {103, 52}}, {{102, 51}, {99, 49}}, {{700, 400}, {710, 395}}};
  const int viewport[4] = {0, 0, 800, 600};
  std::vector<PointVertex> points;
  std::vector<std::uint32_t> pixels, groups;
  std::vector<PixelBox> boxes;
  std::map<Pixel, int> wanted;
  for (std::size_t g = 0; g < groupPixels.size(); ++g) {
    boxes.push_back(boxOf(groupPixels[g]));
    for (const auto& [x, y] : groupPixels[g]) {
      const auto grey = static_cast<std::uint8_t>(10 + wanted.size());
      points.push_back({{0, 0, 0}, {grey, grey, grey, 255}});
      pixels.push_back(static_cast<std::uint32_t>(x) | static_cast<std::uint32_t>(y) << 16);
      groups.push_back(static_cast<std::uint32_t>(g));
      wanted[{x, y}] = grey;
    }
  }
  SpriteFrame frame;
  ASSERT_TRUE(BuildSprites(points, pixels, groups, boxes, viewport, 4096, frame));
  EXPECT_EQ(frame.corners.size(), 12u) << "the overlapping groups share one rectangle";
  EXPECT_EQ(frame.bytesPerTexel, 2) << "grey points";
  EXPECT_EQ(shown(frame, viewport), wanted);
  points[0].rgba[2] = 0;  // one point not grey: RGBA texels
  ASSERT_TRUE(BuildSprites(points, pixels, groups, boxes, viewport, 4096, frame));
  EXPECT_EQ(frame.bytesPerTexel, 4);
  EXPECT_EQ(shown(frame, viewport), wanted);

  boxes.push_back({0, 0, 2000, 0});
  EXPECT_FALSE(BuildSprites(points, pixels, groups, boxes, viewport, 1024, frame)) << "wider than the atlas";
}
