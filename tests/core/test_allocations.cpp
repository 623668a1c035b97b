// Counts every heap allocation of this process through the sanitizer
// allocator's hooks, so a frame can be shown to allocate nothing.
#include <gtest/gtest.h>

#include <atomic>

#include "core/settings.h"
#include "core/flakes.h"
#include "core/scene.h"
#include "field_test.h"
#include "offscreen.h"  // drawFrame

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime's allocator interface (g++ ships no header).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, std::size_t),
                                                         void (*onFree)(const volatile void*));

namespace {

std::atomic<long> allocations{0};
void countAllocation(const volatile void*, std::size_t) { ++allocations; }
void ignoreFree(const volatile void*) {}
const int hooksInstalled = __sanitizer_install_malloc_and_free_hooks(countAllocation, ignoreFree);

// Runs frames and returns how many allocations they made; checks that the
// run included rebirths.
long allocationsOver(FlakeField& f, const Settings& s, int frames) {
  int swaps = 0;
  drawFrame(f, s, swaps);  // let the GL warm up first
  double lowest = 100;
  const long before = allocations;
  for (int frame = 0; frame < frames; ++frame) {
    drawFrame(f, s, swaps);
    lowest = std::min(lowest, f.Height[0]);
  }
  const long made = allocations - before;
  EXPECT_LE(lowest, -2.9) << "the run must include rebirths";
  EXPECT_EQ(swaps, frames + 1);
  return made;
}

using Allocations = FieldTest;

TEST_F(Allocations, NoneAcrossManyFramesWithRebirths) {
  ASSERT_NE(hooksInstalled, 0);
  s.Speed = 10;  // fast enough for many rebirths in the run
  SeedFlakeTable(f, 9);
  f.SwayStep = 2;
  // Without a context the GL calls are no-ops, so every allocation counted
  // would be ours.
  EXPECT_EQ(allocationsOver(f, s, 2000), 0);
}

}  // namespace
#endif
