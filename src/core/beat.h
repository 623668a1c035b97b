// The beat every platform draws on: one model step, one frame and one fade
// tick each 31 ms.
#pragma once

constexpr unsigned kFrameIntervalMs = 31;

// The beat as an option (X11's -delay, the page's delay): microseconds
// between frames, 0 to 10 s.
constexpr long kDefaultDelayUs = long{kFrameIntervalMs} * 1000;
constexpr long kMaxDelayUs = 10000000;

// When the next step falls due, for loops that wait for it (X11, Wayland) and
// for frames that come when a browser paints (about every 16.7 ms, less often
// on a busy machine, not at all in a hidden tab). A frame takes at most one
// step: a machine that cannot keep up shows the flakes slower, never jumping.
// A frame up to half a beat early takes its step then and the schedule keeps
// its phase, so frames a little faster or slower than the beat each step
// instead of every other one stepping nothing. After falling more than a beat
// behind (a stall, a hidden tab) the schedule starts again from now.
class Beat {
 public:
  explicit Beat(double intervalMs = kFrameIntervalMs) : interval_(intervalMs) {}

  // Whether a step falls due at nowMs (milliseconds on a steady clock); the
  // first call always steps.
  bool due(double nowMs);

  // Milliseconds from nowMs until the next step is scheduled; 0 when it is
  // due. A loop that waits this long and then calls due() steps on the beat.
  double msUntilDue(double nowMs) const;

 private:
  double interval_;
  double next_ = 0;  // when the next step falls due
  bool started_ = false;
};
