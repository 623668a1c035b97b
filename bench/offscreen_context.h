// An OSMesa context for the benchmarks, current while it lives.
#pragma once

#include <GL/osmesa.h>

#include <vector>

class BenchContext {
 public:
  BenchContext(int width, int height) : pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4) {
    context_ = OSMesaCreateContextExt(OSMESA_RGBA, 24, 0, 0, nullptr);
    OSMesaMakeCurrent(context_, pixels_.data(), GL_UNSIGNED_BYTE, width, height);
  }
  ~BenchContext() { OSMesaDestroyContext(context_); }
  BenchContext(const BenchContext&) = delete;
  BenchContext& operator=(const BenchContext&) = delete;

 private:
  std::vector<unsigned char> pixels_;
  OSMesaContext context_;
};
