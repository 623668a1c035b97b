// The frame rate a saver shows when asked (-fps, the page's fps): frames
// drawn over about the last second, as "FPS: 31.9".
#pragma once

class FrameRate {
 public:
  // Counts a frame drawn at nowSeconds (a steady clock). The first frame
  // starts the count; the text changes about once a second.
  void countFrame(double nowSeconds);
  const char* text() const { return text_; }

 private:
  double since_ = -1;  // seconds; the count's start
  int frames_ = 0;     // frames since then
  char text_[32] = "FPS: ...";
};
