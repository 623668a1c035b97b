#include "web/point_sprites.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kMostRectangleSide = 256;  // pixels; larger groups start another rectangle
constexpr int kAtlasWidth = 1024;       // texels, or the largest texture when smaller

bool empty(const PixelBox& b) { return b.x0 > b.x1; }

// Whether a and b overlap or touch, and together stay small enough.
bool joins(const PixelBox& a, const PixelBox& b) {
  if (b.x0 > a.x1 + 1 || a.x0 > b.x1 + 1 || b.y0 > a.y1 + 1 || a.y0 > b.y1 + 1) return false;
  return std::max(a.x1, b.x1) - std::min(a.x0, b.x0) < kMostRectangleSide &&
         std::max(a.y1, b.y1) - std::min(a.y0, b.y0) < kMostRectangleSide;
}

struct Rectangle {
  PixelBox box;
  int atlasX = 0;  // texels
  int atlasY = 0;
};

void addCorners(const Rectangle& r, const int viewport[4], std::vector<SpriteCorner>& corners) {
  const auto ndc = [](int at, int origin, int size) {
    return static_cast<float>(at - origin) / static_cast<float>(size) * 2 - 1;
  };
  const float left = ndc(r.box.x0, viewport[0], viewport[2]), right = ndc(r.box.x1 + 1, viewport[0], viewport[2]);
  const float bottom = ndc(r.box.y0, viewport[1], viewport[3]), top = ndc(r.box.y1 + 1, viewport[1], viewport[3]);
  const float u0 = static_cast<float>(r.atlasX), u1 = static_cast<float>(r.atlasX + r.box.x1 - r.box.x0 + 1);
  const float v0 = static_cast<float>(r.atlasY), v1 = static_cast<float>(r.atlasY + r.box.y1 - r.box.y0 + 1);
  const SpriteCorner lb{{left, bottom}, {u0, v0}}, rb{{right, bottom}, {u1, v0}};
  const SpriteCorner lt{{left, top}, {u0, v1}}, rt{{right, top}, {u1, v1}};
  corners.insert(corners.end(), {lb, rb, lt, lt, rb, rt});
}

}  // namespace

PixelBox Union(const PixelBox& a, const PixelBox& b) {
  if (empty(a)) return b;
  if (empty(b)) return a;
  return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

bool BuildSprites(const std::vector<PointVertex>& points, const std::vector<std::uint32_t>& pixels,
                  const std::vector<std::uint32_t>& groups, const std::vector<PixelBox>& boxes, const int viewport[4],
                  int maxSize, SpriteFrame& frame) {
  // Consecutive groups (a flake's arms) that overlap share a rectangle.
  std::vector<Rectangle> rectangles;
  std::vector<std::uint32_t> rectangleOf(boxes.size());
  for (std::size_t g = 0; g < boxes.size(); ++g) {
    const PixelBox& b = boxes[g];
    if (empty(b)) continue;
    if (rectangles.empty() || !joins(rectangles.back().box, b)) rectangles.push_back({b});
    rectangles.back().box = Union(rectangles.back().box, b);
    rectangleOf[g] = static_cast<std::uint32_t>(rectangles.size() - 1);
  }
  // Shelves, left to right and bottom to top.
  const int width = std::min(kAtlasWidth, maxSize);
  int x = 0, y = 0, shelf = 0;
  for (Rectangle& r : rectangles) {
    const int w = r.box.x1 - r.box.x0 + 1, h = r.box.y1 - r.box.y0 + 1;
    if (w > width) return false;
    if (x + w > width) y += shelf, x = 0, shelf = 0;
    r.atlasX = x, r.atlasY = y;
    x += w;
    shelf = std::max(shelf, h);
  }
  frame.atlasWidth = width;
  frame.atlasHeight = std::max(1, y + shelf);
  if (frame.atlasHeight > maxSize) return false;
  const bool grey = std::all_of(points.begin(), points.end(),
                                [](const PointVertex& p) { return p.rgba[0] == p.rgba[1] && p.rgba[1] == p.rgba[2]; });
  frame.bytesPerTexel = grey ? 2 : 4;
  const auto texelBytes = static_cast<std::size_t>(frame.bytesPerTexel);
  frame.atlas.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(frame.atlasHeight) * texelBytes, 0);
  for (std::size_t i = 0; i < points.size(); ++i) {
    const Rectangle& r = rectangles[rectangleOf[groups[i]]];
    const int px = static_cast<int>(pixels[i] & 0xFFFFu), py = static_cast<int>(pixels[i] >> 16);
    const std::size_t at = static_cast<std::size_t>(r.atlasY + py - r.box.y0) * static_cast<std::size_t>(width) +
                           static_cast<std::size_t>(r.atlasX + px - r.box.x0);
    std::uint8_t* texel = &frame.atlas[at * texelBytes];
    if (grey) texel[0] = points[i].rgba[0], texel[1] = points[i].rgba[3];
    else std::memcpy(texel, points[i].rgba, 4);
  }
  frame.corners.clear();
  for (const Rectangle& r : rectangles) addCorners(r, viewport, frame.corners);
  return true;
}
