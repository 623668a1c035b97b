#include "web/point_merge.h"

#include <cmath>
#include <cstring>

namespace {

// A normalized device depth as a 24-bit depth buffer holds it.
std::uint32_t depth24(float ndcZ) {
  return static_cast<std::uint32_t>(std::lround((static_cast<double>(ndcZ) * 0.5 + 0.5) * 16777215.0));
}

}  // namespace

void PointMerger::merge(std::vector<PointVertex>& points, std::vector<std::uint32_t>& pixels,
                        std::vector<std::uint32_t>& groups, bool anyColour) {
  const bool grouped = !groups.empty();
  std::size_t size = 64;
  while (size < points.size() * 2) size *= 2;
  if (slots_.size() < size) {
    slots_.assign(size, Slot());
    generation_ = 0;
  }
  if (++generation_ == 0) {  // wrapped: forget every old mark
    slots_.assign(slots_.size(), Slot());
    generation_ = 1;
  }
  const std::size_t mask = slots_.size() - 1;
  std::size_t out = 0;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const PointVertex& p = points[i];
    if (p.rgba[3] != 255) {
      if (grouped) groups[out] = groups[i];
      points[out] = p;
      pixels[out++] = pixels[i];
      continue;
    }
    std::uint32_t colour = 0;
    if (!anyColour) std::memcpy(&colour, p.rgba, sizeof colour);
    const std::uint64_t key = (std::uint64_t{pixels[i]} << 32) | colour;
    std::size_t at = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15u) >> 40) & mask;
    while (slots_[at].generation == generation_ && slots_[at].key != key) at = (at + 1) & mask;
    Slot& slot = slots_[at];
    if (slot.generation != generation_) {
      slot = {key, static_cast<std::uint32_t>(out), generation_};
      if (grouped) groups[out] = groups[i];
      points[out] = p;
      pixels[out++] = pixels[i];
    } else if (depth24(p.ndc[2]) < depth24(points[slot.kept].ndc[2])) {
      if (grouped) groups[slot.kept] = groups[i];
      points[slot.kept] = p;
    }
  }
  points.resize(out);
  pixels.resize(out);
  if (grouped) groups.resize(out);
}
