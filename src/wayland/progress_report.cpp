#include "wayland/progress_report.h"

#include <cstdarg>
#include <cstdio>

#include "posix/test_seam.h"

ProgressReport::ProgressReport() : on_(TestSeamFromEnvironment().report) {}

void ProgressReport::say(const char* format, ...) const {
  if (!on_) return;
  std::va_list args;
  va_start(args, format);
  std::fputs("flindra-wayland: ", stderr);
  std::vfprintf(stderr, format, args);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  va_end(args);
}

void ProgressReport::showingStarted() {
  firstFrameSaid_ = false;
  fadedInSaid_ = false;
}

void ProgressReport::beatDrawn(bool shownAny, bool fadeDone, double swayStep) {
  if (!shownAny) return;
  if (!firstFrameSaid_) say("first frame (sway step %g)", swayStep);
  firstFrameSaid_ = true;
  if (fadeDone && !fadedInSaid_) say("faded in");
  fadedInSaid_ = fadedInSaid_ || fadeDone;
}
