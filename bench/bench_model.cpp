// The flake model alone: a step of 101 flakes, one generation, a seeding.
#include <benchmark/benchmark.h>

#include "core/Settings.h"
#include "core/funcs.h"

namespace {

void BM_ModelStep(benchmark::State& state) {
  SaverSettings.Fast = 3;
  SaverSettings.Satiation = 10;
  SeedFlakeTable(1);
  SwayStep = 0.6;
  for (auto _ : state) benchmark::DoNotOptimize(StepFlakes());
}

void BM_GenerateFlake(benchmark::State& state) {
  SeedRandom(1);
  int i = 0;
  for (auto _ : state) {
    GenerateFlake(i);
    i = (i + 1) % kFlakeCount;
    benchmark::ClobberMemory();
  }
}

void BM_SeedFlakeTable(benchmark::State& state) {
  for (auto _ : state) {
    SeedFlakeTable(1);
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK(BM_ModelStep)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GenerateFlake)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SeedFlakeTable)->Unit(benchmark::kMicrosecond);
