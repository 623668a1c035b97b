// Fewer points for the same pixels: software WebGL pays per point, and a
// flake's 216 points often share a few dozen pixels.
#pragma once

#include <cstdint>
#include <vector>

#include "web/webgl_draw.h"

// Keeps, of the points that light the same pixel (pixels[i], one key a
// point) in the same colour (in any colour with anyColour), only the nearest
// (the smallest depth in a 24-bit depth buffer; the earliest of equals), in
// the place of the first of them. With the depth test on (GL_LESS), opaque
// colours and no blending that mixes, the pixels and the depth buffer come
// out as drawing them all would leave them; with anyColour each pixel keeps
// one point. Points whose alpha is not 255 are all kept. The vectors are cut
// to the points kept; groups (one a point, or empty) moves with its point.
class PointMerger {
 public:
  void merge(std::vector<PointVertex>& points, std::vector<std::uint32_t>& pixels, std::vector<std::uint32_t>& groups,
             bool anyColour);
  void merge(std::vector<PointVertex>& points, std::vector<std::uint32_t>& pixels) {
    std::vector<std::uint32_t> none;
    merge(points, pixels, none, false);
  }

 private:
  struct Slot {
    std::uint64_t key = 0;
    std::uint32_t kept = 0;        // index of the kept point
    std::uint32_t generation = 0;  // the slot is empty unless this is the current one
  };
  std::vector<Slot> slots_;
  std::uint32_t generation_ = 0;
};
