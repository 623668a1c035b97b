// A whole frame through our code and through the reference, at two screen
// sizes, and the preview's build-a-surface-per-frame cycle.
#include <benchmark/benchmark.h>

#include "core/Settings.h"
#include "core/funcs.h"
#include "core/gl.h"
#include "core/render.h"
#include "offscreen_context.h"
#include "reference_frame.h"

namespace {

void defaultSettings() {
  SaverSettings.Fast = 3;
  SaverSettings.Size = 3;
  SaverSettings.Satiation = 10;
  SaverSettings.Color = 5;
}

void finish(void*) { glFinish(); }

// Ours and the reference draw the very same still frame (no fall, no sway),
// so their ratio is what our code adds to the bare calls. What llvmpipe
// spends depends on where the points land, so moving flakes against a still
// reference would measure the scene, not the code.
void BM_Frame(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  BenchContext context(width, height);
  defaultSettings();
  SaverSettings.Fast = 0;
  SetupScene(width, height, width, height);
  SeedFlakeTable(1);
  for (auto _ : state) {
    SwayAngle = 0;
    SwayStep = 0;
    PresentFrame(finish, nullptr);
  }
}

// The saver as it runs: falling, swaying, reborn flakes.
void BM_FrameMoving(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  BenchContext context(width, height);
  defaultSettings();
  SetupScene(width, height, width, height);
  SeedFlakeTable(1);
  SwayStep = 0.6;
  for (auto _ : state) PresentFrame(finish, nullptr);
}

void BM_ReferenceFrame(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  BenchContext context(width, height);
  defaultSettings();
  SetupScene(width, height, width, height);
  SeedFlakeTable(1);
  PrepareReferenceFrame();
  for (auto _ : state) {
    DrawReferenceFrame();
    glFinish();
  }
}

// The preview builds its whole surface for every frame and releases it.
void BM_PreviewCycle(benchmark::State& state) {
  defaultSettings();
  SaverSettings.Fast = 0;  // the reference's still frame, as above
  SeedFlakeTable(1);
  for (auto _ : state) {
    SwayAngle = 0;
    SwayStep = 0;
    BenchContext context(152, 112);
    SetupScene(152, 112, 152, 112);
    PresentFrame(finish, nullptr);
  }
}

void BM_ReferencePreviewCycle(benchmark::State& state) {
  defaultSettings();
  SeedFlakeTable(1);
  PrepareReferenceFrame();
  for (auto _ : state) {
    BenchContext context(152, 112);
    SetupReferenceScene(152, 112);
    DrawReferenceFrame();
    glFinish();
  }
}

}  // namespace

// llvmpipe rasterises on threads of its own: count the whole process's CPU.
BENCHMARK(BM_Frame)->Args({1920, 1080})->Args({1024, 768})->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameMoving)
    ->Args({1920, 1080})
    ->Args({1024, 768})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceFrame)
    ->Args({1920, 1080})
    ->Args({1024, 768})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewCycle)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferencePreviewCycle)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
