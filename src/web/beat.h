// The 31 ms beat on a page whose frames come when the browser paints
// (about every 16.7 ms, or not at all while the tab is hidden).
#pragma once

// Steps fall due one per kFrameIntervalMs; a frame that comes late takes the
// steps it missed, up to kMaxCatchUp, so the flakes keep their speed. After a
// longer gap (a hidden tab) the beat starts again instead of rushing.
class Beat {
 public:
  static constexpr int kMaxCatchUp = 4;

  // Steps due at nowMs (milliseconds on a steady clock); the first call gives 1.
  int due(double nowMs);

 private:
  double next_ = 0;  // when the next step falls due
  bool started_ = false;
};
