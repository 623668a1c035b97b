// Runs the benchmarks, then prints each of ours as a ratio to its reference
// and against the targets.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace {

class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> cpuMs;  // per iteration
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    // With repetitions the median stands for the benchmark; without, the run.
    for (const Run& run : runs) {
      const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
      const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
      std::string name = run.run_name.str();
      const auto suffix = name.find("/process_time");
      if (suffix != std::string::npos) name.erase(suffix);
      if (median || single)
        cpuMs[name] = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
    }
  }
};

void ratioRow(const CollectingReporter& r, const char* label, const std::string& ours, const std::string& reference,
              double target) {
  const auto a = r.cpuMs.find(ours), b = r.cpuMs.find(reference);
  if (a == r.cpuMs.end() || b == r.cpuMs.end()) return;
  const double ratio = a->second / b->second;
  std::printf("| %-28s | %9.3f ms | %9.3f ms | %5.2f | <= %.2f %s |\n", label, a->second, b->second, ratio, target,
              ratio <= target ? "met" : "MISSED");
}

// The flakes' own cost, ours over the reference's: each frame less the clear.
void aboveFloorRow(const CollectingReporter& r, const char* label, const std::string& ours,
                   const std::string& reference, const std::string& floor) {
  const auto a = r.cpuMs.find(ours), b = r.cpuMs.find(reference), f = r.cpuMs.find(floor);
  if (a == r.cpuMs.end() || b == r.cpuMs.end() || f == r.cpuMs.end()) return;
  const double oursAbove = a->second - f->second, referenceAbove = b->second - f->second;
  if (referenceAbove <= 0) return;
  std::printf("| %-28s | %9.3f ms | %9.3f ms | %5.2f | (clear alone %.3f ms) |\n", label, oursAbove, referenceAbove,
              oursAbove / referenceAbove, f->second);
}

void absoluteRow(const CollectingReporter& r, const char* label, const std::string& name, double target,
                 const char* unit = "us") {
  const auto a = r.cpuMs.find(name);
  if (a == r.cpuMs.end()) return;
  const double value = std::string(unit) == "us" ? a->second * 1e3 : a->second;
  if (target > 0)
    std::printf("| %-28s | %9.2f %s | target <= %.0f %s %s\n", label, value, unit, target, unit,
                value <= target ? "met" : "MISSED");
  else
    std::printf("| %-28s | %9.2f %s |\n", label, value, unit);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  CollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::printf("\nFrame cost against the floor (process CPU time per frame, all llvmpipe threads; native OSMesa)\n");
  std::printf("| %-28s | %12s | %12s | %5s | %s |\n", "", "ours", "reference", "ratio", "target");
  ratioRow(reporter, "frame 1920 x 1080", "BM_Frame/1920/1080", "BM_ReferenceFrame/1920/1080", 1.10);
  ratioRow(reporter, "frame 1024 x 768", "BM_Frame/1024/768", "BM_ReferenceFrame/1024/768", 1.10);
  aboveFloorRow(reporter, "  the flakes alone, 1920", "BM_Frame/1920/1080", "BM_ReferenceFrame/1920/1080",
                "BM_ClearOnly/1920/1080");
  aboveFloorRow(reporter, "  the flakes alone, 1024", "BM_Frame/1024/768", "BM_ReferenceFrame/1024/768",
                "BM_ClearOnly/1024/768");
  ratioRow(reporter, "preview cycle 152 x 112", "BM_PreviewCycle", "BM_ReferencePreviewCycle", 1.10);
  absoluteRow(reporter, "moving frame 1920 x 1080", "BM_FrameMoving/1920/1080", 0, "ms");
  absoluteRow(reporter, "moving frame 1024 x 768", "BM_FrameMoving/1024/768", 0, "ms");
  std::printf("\nModel alone\n");
  absoluteRow(reporter, "step, 101 flakes", "BM_ModelStep", 20);
  absoluteRow(reporter, "GenerateFlake", "BM_GenerateFlake", 0);
  absoluteRow(reporter, "SeedFlakeTable", "BM_SeedFlakeTable", 0);
  return 0;
}
