// The bookkeeping behind each surface flakes are drawn on (the saver's, the
// settings window's preview), in plain C++ without a Wayland header, so
// native tests can check it: the buffer a surface needs for its output's
// scale, and when a surface is due a frame.
#pragma once

// The most a surface is scaled, whatever the compositor says: beyond every
// desk's own (GNOME and KDE offer 4 at most), and low enough that a logical
// size times it in 120ths stays far inside an int (sizes up to a million
// pixels), so a compositor's nonsense cannot overflow the plan.
constexpr int kMostScale = 16;

// What the compositor has said about a surface and its output. Sizes in
// logical pixels unless named mode; 0 for what it has not said.
struct ScaleFacts {
  int width = 0, height = 0;          // the surface's configured size
  int outputScale = 1;                // wl_output.scale: a whole number, rounded up from a fractional scale
  int preferredScale = 0;             // wl_surface.preferred_buffer_scale
  int fractionalScale120 = 0;         // wp_fractional_scale_v1, in 120ths (180 is 1.5)
  int outputWidth = 0, outputHeight = 0;  // the output's logical size
  int modeWidth = 0, modeHeight = 0;  // the output's current mode as laid on it (transform applied), device pixels
  bool viewporter = false;            // the compositor offers wp_viewporter
};

// The buffer to draw into and how the surface maps it. With a viewport the
// buffer is scaled to viewportWidth x viewportHeight logical pixels (buffer
// scale 1); without, the buffer is bufferScale times the logical size.
struct BufferPlan {
  int width = 0, height = 0;  // device pixels
  int bufferScale = 1;
  bool viewport = false;
  int viewportWidth = 0, viewportHeight = 0;
};
bool operator==(const BufferPlan& a, const BufferPlan& b);
inline bool operator!=(const BufferPlan& a, const BufferPlan& b) { return !(a == b); }

// One device pixel per buffer pixel wherever the compositor lets us know
// how: the surface's own fractional scale (with a viewport) or preferred
// scale; else, for a surface that covers its whole output at a scale the
// mode shows to be fractional, the mode's size (with a viewport); else the
// output's whole scale. Every scale is taken as kMostScale at most.
BufferPlan PlanBuffer(const ScaleFacts& facts);

// The frames the compositor has asked for. A surface draws when the
// compositor asked for the next frame since the last, or is at most a beat
// late answering (a compositor busy with several outputs in software may
// be); longer, the surface counts as hidden and is not drawn.
class FramePacing {
 public:
  bool due(long beat) const { return !waiting_ || beat - waitingSince_ < 2; }
  // A frame went to the compositor on this beat, asking for the next.
  void drawn(long beat) {
    if (!waiting_) waitingSince_ = beat;
    waiting_ = true;
  }
  // The compositor asked for the next frame.
  void answered() { waiting_ = false; }

 private:
  bool waiting_ = false;
  long waitingSince_ = 0;  // the beat of the oldest frame not yet answered
};
