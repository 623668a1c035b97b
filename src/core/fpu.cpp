#include "core/fpu.h"

#include <cstdint>

void MaskFloatingPointExceptions() {
#if defined(__x86_64__) || defined(__i386__)
  // x87: all exceptions masked, 64-bit precision, round to nearest.
  const std::uint16_t x87 = 0x037F;
  asm volatile("fldcw %0" : : "m"(x87));
  // SSE: all exceptions masked, round to nearest, no flush-to-zero.
  const std::uint32_t mxcsr = 0x1F80;
  asm volatile("ldmxcsr %0" : : "m"(mxcsr));
#endif
}
