// Lines on standard error as flindra-wayland reaches each state (its first
// frame, a surface's first frame, the end of the fade, a surface gone or
// opened again, what ended it), for the tests and the benchmarks to wait
// on; silent unless the test seam asks for report
// (posix/test_seam.h).
#pragma once

class ProgressReport {
 public:
  ProgressReport();

  // "flindra-wayland: LINE" when reporting; printf's format.
  [[gnu::format(printf, 2, 3)]] void say(const char* format, ...) const;

  // A showing begins: its first frame and its fade's end are told again.
  void showingStarted();
  // After a beat's frames: the first frame shown, and the fade's end once.
  void beatDrawn(bool shownAny, bool fadeDone, double swayStep);

 private:
  bool on_;
  bool firstFrameSaid_ = false;
  bool fadedInSaid_ = false;
};
