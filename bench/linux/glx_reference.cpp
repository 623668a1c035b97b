// The floor for flindra's whole-process figures: a minimal GLX program that
// draws the reference frame (bench/reference_frame) into the root window once
// every 31 ms, with no options, model or event handling around it, until
// SIGTERM. With the test seam's report (posix/test_seam.h) it says "first
// frame" on standard error once the first frame has reached the server, as
// flindra does.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <time.h>

#include <cstdio>
#include <memory>

#include "core/flakes.h"
#include "posix/test_seam.h"
#include "reference_frame.h"

namespace {

volatile sig_atomic_t stopRequested = 0;
extern "C" void stopOnSignal(int) { stopRequested = 1; }

}  // namespace

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "glx_reference: cannot open the display\n");
    return 1;
  }
  const Window root = DefaultRootWindow(display);
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, root, &attributes);
  XVisualInfo wanted{};
  wanted.visualid = XVisualIDFromVisual(attributes.visual);
  int found = 0;
  XVisualInfo* visual = XGetVisualInfo(display, VisualIDMask, &wanted, &found);
  const GLXContext context = visual != nullptr ? glXCreateContext(display, visual, nullptr, True) : nullptr;
  if (context == nullptr || !glXMakeCurrent(display, root, context)) {
    std::fprintf(stderr, "glx_reference: no OpenGL context for the root window\n");
    return 1;
  }
  int doubleBuffered = 0;
  glXGetConfig(display, visual, GLX_DOUBLEBUFFER, &doubleBuffered);

  const auto field = std::make_unique<FlakeField>();
  SeedFlakeTable(*field, 1);
  PrepareReferenceFrame(*field);
  SetupReferenceScene(attributes.width, attributes.height);
  signal(SIGTERM, stopOnSignal);
  const bool reportFirstFrame = TestSeamFromEnvironment().report;
  // A fixed beat, as flindra keeps: a frame starts every 31 ms.
  timespec next{};
  clock_gettime(CLOCK_MONOTONIC, &next);
  for (bool first = true; stopRequested == 0; first = false) {
    DrawReferenceFrame();
    if (doubleBuffered != 0) glXSwapBuffers(display, root);
    else glFlush();
    if (first && reportFirstFrame) {
      XSync(display, False);
      std::fprintf(stderr, "glx_reference: first frame\n");
    }
    next.tv_nsec += 31'000'000;
    if (next.tv_nsec >= 1'000'000'000) {
      next.tv_nsec -= 1'000'000'000;
      ++next.tv_sec;
    }
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
  }
  return 0;
}
