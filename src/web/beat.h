// The 31 ms beat on a page whose frames come when the browser paints
// (about every 16.7 ms, less often on a busy machine, not at all while the
// tab is hidden).
#pragma once

// Steps fall due one per kFrameIntervalMs. A paint up to half a beat early
// takes its step then (the schedule keeps its phase, so the speed stays):
// paints that come a little faster or slower than the beat each draw one
// instead of every other one drawing nothing. A late paint takes the steps it
// missed, up to kMaxCatchUp; after a longer gap (a hidden tab) the beat
// starts again instead of rushing.
class Beat {
 public:
  static constexpr int kMaxCatchUp = 4;

  // Steps due at nowMs (milliseconds on a steady clock); the first call gives 1.
  int due(double nowMs);

 private:
  double next_ = 0;  // when the next step falls due
  bool started_ = false;
};
