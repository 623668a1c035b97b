// A whole frame through our code and through the reference, at two screen
// sizes, and the preview's build-a-surface-per-frame cycle.
#include <benchmark/benchmark.h>

#include <memory>

#include "core/flakes.h"
#include "core/gl.h"
#include "core/scene.h"
#include "offscreen.h"
#include "reference_frame.h"

namespace {

// A field seeded alike for ours and the reference.
std::unique_ptr<FlakeField> seededField() {
  auto field = std::make_unique<FlakeField>();
  SeedFlakeTable(*field, 1);
  return field;
}

// The default settings, with no fall for the still frame.
Settings stillSettings() {
  Settings settings = DefaultSettings();
  settings.Speed = 0;
  return settings;
}

// Ours and the reference draw the very same still frame (no fall, no sway),
// so their ratio is what our code adds to the bare calls. What llvmpipe
// spends depends on where the points land, so moving flakes against a still
// reference would measure the scene, not the code.
void BM_Frame(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  OffscreenContext context(width, height);
  const Settings settings = stillSettings();
  SetupScene(width, height, width, height);
  const auto field = seededField();
  int frames = 0;
  for (auto _ : state) {
    field->SwayAngle = 0;
    field->SwayStep = 0;
    drawFrame(*field, settings, frames);
  }
}

// The saver as it runs: falling, swaying, reborn flakes.
void BM_FrameMoving(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  OffscreenContext context(width, height);
  const Settings settings = DefaultSettings();
  SetupScene(width, height, width, height);
  const auto field = seededField();
  field->SwayStep = 0.6;
  int frames = 0;
  for (auto _ : state) drawFrame(*field, settings, frames);
}

void BM_ReferenceFrame(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  OffscreenContext context(width, height);
  SetupScene(width, height, width, height);
  PrepareReferenceFrame(*seededField());
  for (auto _ : state) {
    DrawReferenceFrame();
    glFinish();
  }
}

// What no frame goes below: the clear and the finish alone, no flakes.
void BM_ClearOnly(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  OffscreenContext context(width, height);
  SetupScene(width, height, width, height);
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFinish();
  }
}

// The preview builds its whole surface for every frame and releases it.
void BM_PreviewCycle(benchmark::State& state) {
  const Settings settings = stillSettings();  // the reference's still frame, as above
  const auto field = seededField();
  int frames = 0;
  for (auto _ : state) {
    field->SwayAngle = 0;
    field->SwayStep = 0;
    OffscreenContext context(152, 112);
    SetupScene(152, 112, 152, 112);
    drawFrame(*field, settings, frames);
  }
}

void BM_ReferencePreviewCycle(benchmark::State& state) {
  PrepareReferenceFrame(*seededField());
  for (auto _ : state) {
    OffscreenContext context(152, 112);
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
BENCHMARK(BM_ClearOnly)
    ->Args({1920, 1080})
    ->Args({1024, 768})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreviewCycle)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferencePreviewCycle)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
