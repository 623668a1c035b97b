// An OSMesa context with an RGBA buffer, current for the life of the object,
// so core tests can draw for real and read pixels and GL state back.
#pragma once

#include <GL/osmesa.h>

#include <cstdint>
#include <vector>

#include "core/scene.h"

class OffscreenContext {
 public:
  OffscreenContext(int width, int height) : width_(width), height_(height) {
    pixels_.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    context_ = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
    if (context_ != nullptr)
      OSMesaMakeCurrent(context_, pixels_.data(), GL_UNSIGNED_BYTE, width, height);
  }
  ~OffscreenContext() {
    if (context_ != nullptr) OSMesaDestroyContext(context_);
  }
  OffscreenContext(const OffscreenContext&) = delete;
  OffscreenContext& operator=(const OffscreenContext&) = delete;

  bool ok() const { return context_ != nullptr; }
  int width() const { return width_; }
  int height() const { return height_; }

  // Pixel (x, y) from the bottom left, as OpenGL counts.
  const std::uint8_t* pixel(int x, int y) const {
    return &pixels_[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 4];
  }

  // The whole RGBA buffer, bottom row first.
  const std::vector<std::uint8_t>& pixels() const { return pixels_; }

  // Pixels whose red, green or blue is above the threshold.
  int litPixels(int threshold = 0) const {
    int lit = 0;
    for (std::size_t i = 0; i < pixels_.size(); i += 4)
      if (pixels_[i] > threshold || pixels_[i + 1] > threshold || pixels_[i + 2] > threshold) ++lit;
    return lit;
  }

 private:
  int width_;
  int height_;
  std::vector<std::uint8_t> pixels_;
  OSMesaContext context_ = nullptr;
};

// One frame of a field into the current context, counted. OSMesa draws
// straight into the buffer, so finishing the frame is all a swap has to do.
inline void drawFrame(FlakeField& field, const Settings& settings, int& frames) {
  DrawFrame(field, settings);
  glFinish();
  ++frames;
}
