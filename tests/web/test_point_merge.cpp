#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "web/point_merge.h"

namespace {

PointVertex point(float depth, std::uint8_t grey, std::uint8_t alpha = 255) {
  return {{0, 0, depth}, {grey, grey, grey, alpha}};
}

}  // namespace

TEST(PointMerge, KeepsTheNearestOfEachPixelAndColourInFirstPlace) {
  // pixel, depth, grey, alpha; then which input each kept point is.
  struct Case {
    std::vector<std::uint32_t> pixels;
    std::vector<PointVertex> points;
    std::vector<int> kept;
  };
  const Case cases[] = {
      {{7, 7, 7}, {point(0.5f, 255), point(0.2f, 255), point(0.3f, 255)}, {1}},
      {{7, 7}, {point(0.2f, 255), point(0.2f, 255)}, {0}},                      // the earlier of equals
      {{7, 8, 7}, {point(0.5f, 255), point(0.1f, 255), point(0.4f, 255)}, {2, 1}},
      {{7, 7, 7}, {point(0.5f, 255), point(0.4f, 128), point(0.45f, 255)}, {2, 1}},  // colours apart
      {{7, 7}, {point(0.5f, 255, 100), point(0.4f, 255, 100)}, {0, 1}},          // translucent: all drawn
      {{0x10000, 1}, {point(0.5f, 255), point(0.4f, 255)}, {0, 1}},              // (0, 1) is not (1, 0)
  };
  PointMerger merger;  // one merger across cases, as across frames
  for (const Case& c : cases) {
    std::vector<PointVertex> points = c.points;
    std::vector<std::uint32_t> pixels = c.pixels;
    merger.merge(points, pixels);
    ASSERT_EQ(points.size(), c.kept.size());
    ASSERT_EQ(pixels.size(), c.kept.size());
    for (std::size_t i = 0; i < c.kept.size(); ++i) {
      const PointVertex& want = c.points[static_cast<std::size_t>(c.kept[i])];
      EXPECT_EQ(points[i].ndc[2], want.ndc[2]) << "point " << i;
      EXPECT_EQ(points[i].rgba[0], want.rgba[0]) << "point " << i;
    }
  }
}

TEST(PointMerge, ManyPointsOnFewPixelsAcrossFrames) {
  PointMerger merger;
  for (int frame = 0; frame < 3; ++frame) {
    std::vector<PointVertex> points;
    std::vector<std::uint32_t> pixels;
    for (int i = 0; i < 20000; ++i) {
      points.push_back(point(static_cast<float>(19 - i / 1000) / 20.0f, 255));  // the last round is nearest
      pixels.push_back(static_cast<std::uint32_t>(i % 1000));
    }
    merger.merge(points, pixels);
    ASSERT_EQ(points.size(), 1000u);
    for (std::size_t i = 0; i < points.size(); ++i) {
      EXPECT_EQ(pixels[i], i);
      EXPECT_EQ(points[i].ndc[2], 0.0f) << "pixel " << i;
    }
  }
}

TEST(PointMerge, InAnyColourEachPixelKeepsItsNearestPointAndItsGroup) {
  // Pixel 7: grey 100 in group 0, then nearer grey 200 in group 1, then
  // grey 50 in group 2 a float nearer, which a 24-bit buffer cannot tell:
  // the earlier point there stays, as under the depth test.
  const float justNearer = std::nextafter(0.25f, 0.0f);
  std::vector<PointVertex> points = {point(0.5f, 100), point(0.25f, 200), point(justNearer, 50), point(0.9f, 9)};
  std::vector<std::uint32_t> pixels = {7, 7, 7, 8};
  std::vector<std::uint32_t> groups = {0, 1, 2, 3};
  PointMerger merger;
  merger.merge(points, pixels, groups, true);
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[0].rgba[0], 200);
  EXPECT_EQ(groups, (std::vector<std::uint32_t>{1, 3}));
  EXPECT_EQ(pixels, (std::vector<std::uint32_t>{7, 8}));
}
