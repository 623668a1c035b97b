// The flake model alone: a step of 101 flakes, one generation, a seeding.
#include <benchmark/benchmark.h>

#include <memory>

#include "core/flakes.h"

namespace {

void BM_ModelStep(benchmark::State& state) {
  const auto field = std::make_unique<FlakeField>();
  const Settings settings = DefaultSettings();
  SeedFlakeTable(*field, 1);
  field->SwayStep = 0.6;
  for (auto _ : state) benchmark::DoNotOptimize(StepFlakes(*field, settings));
}

void BM_GenerateFlake(benchmark::State& state) {
  const auto field = std::make_unique<FlakeField>();
  field->Random.seed(1);
  int i = 0;
  for (auto _ : state) {
    GenerateFlake(*field, i);
    i = (i + 1) % kFlakeCount;
    benchmark::ClobberMemory();
  }
}

void BM_SeedFlakeTable(benchmark::State& state) {
  const auto field = std::make_unique<FlakeField>();
  for (auto _ : state) {
    SeedFlakeTable(*field, 1);
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK(BM_ModelStep)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenerateFlake)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SeedFlakeTable)->Unit(benchmark::kMicrosecond);
