// flindra for X11: the flake field drawn through GLX into a window of its
// own, a window someone else made (-window-id), or the root window or
// $XSCREENSAVER_WINDOW (-root), until a signal, the window or the display
// goes away.
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "core/beat.h"
#include "core/dim_frame.h"
#include "core/fade.h"
#include "core/flakes.h"
#include "core/frame_rate.h"
#include "core/frame_rate_text.h"
#include "core/gl.h"
#include "core/scene.h"
#include "posix/process.h"
#include "posix/program_main.h"
#include "posix/test_seam.h"
#include "posix/wait.h"
#include "x11/glx_surface.h"
#include "x11/options.h"
#include "x11/x_errors.h"

#ifndef FLINDRA_VERSION
#error "FLINDRA_VERSION comes from the build (the CMake project version)"
#endif

namespace {

// One flake field and the part of the window it covers.
struct FieldView {
  ScreenRect area;  // from the window's top-left corner, pixels
  std::unique_ptr<FlakeField> field;
};

// A view per area, as the Windows saver follows its monitors: the first
// (primary) field goes on, moved if need be, any other field stays with its
// monitor's rectangle, a new area gets a field started afresh.
void fitViews(std::vector<FieldView>& views, const std::vector<ScreenRect>& areas, const Settings& settings) {
  std::vector<ScreenRect> current;
  for (const FieldView& view : views) current.push_back(view.area);
  const std::vector<int> kept = WindowsKeptForLayout(current, areas);
  std::vector<FieldView> next(areas.size());
  for (std::size_t i = 0; i < areas.size(); ++i) {
    next[i].area = areas[i];
    if (kept[i] >= 0 && static_cast<std::size_t>(kept[i]) < views.size()) {
      next[i].field = std::move(views[static_cast<std::size_t>(kept[i])].field);
    } else {
      next[i].field = std::make_unique<FlakeField>();
      StartField(*next[i].field, FirstSwayStep(settings.Speed));
    }
  }
  views = std::move(next);
}

// Handles the queued events; false when the program should end. resized:
// the window's size or, on a screen's root, its monitors changed.
bool handleEvents(GlxSurface& s, bool& resized, bool& windowGone) {
  while (XPending(s.display) > 0) {
    XEvent event;
    XNextEvent(s.display, &event);
    if (s.randrEventBase >= 0 && (event.type == s.randrEventBase + RRScreenChangeNotify ||
                                  event.type == s.randrEventBase + RRNotify)) {
      XRRUpdateConfiguration(&event);
      resized = true;
      continue;
    }
    switch (event.type) {
      case ConfigureNotify:
        if (event.xconfigure.window == s.window &&
            (event.xconfigure.width != s.width || event.xconfigure.height != s.height)) {
          s.width = event.xconfigure.width;
          s.height = event.xconfigure.height;
          resized = true;
        }
        break;
      case DestroyNotify:
        if (event.xdestroywindow.window == s.window) {
          windowGone = true;
          return false;
        }
        break;
      case ClientMessage:
        if (s.own && static_cast<Atom>(event.xclient.data.l[0]) == s.deleteWindow) return false;
        break;
      case KeyPress:
        if (s.own) {
          const KeySym key = XLookupKeysym(&event.xkey, 0);
          if (key == XK_Escape || key == XK_q || key == XK_Q) return false;
        }
        break;
      default:
        break;
    }
  }
  return true;
}

// An X error outside the calls that expect one: about our window when that
// window has gone (the host destroyed it), else reported and fatal.
bool windowWentAway(GlxSurface& s) {
  XErrorEvent error{};
  if (!TakeUnexpectedXError(error)) return false;
  if (error.resourceid == s.window && !WindowExists(s)) return true;
  Fail(XErrorLine(s.display, error));
}

int run(const Options& options) {
  if (!InstallSignalHandlers()) Fail("cannot install the signal handlers");
  GlxSurface s = OpenGlxSurface(options);
  const bool reportFirstFrame = TestSeamFromEnvironment().report;
  FrameRate frameRate;

  std::vector<FieldView> views;
  fitViews(views, FieldAreas(s), options.settings);
  SetupScene(s.width, s.height, s.width, s.height);
  FadeIn fade;
  int opacityShown = -1;  // none set yet
  Beat beat(static_cast<double>(options.delayUs) / 1000);
  bool first = true, windowGone = false;
  for (;;) {
    bool resized = false;
    if (StopSignal() != 0 || !handleEvents(s, resized, windowGone)) break;
    if (windowWentAway(s)) {
      windowGone = true;
      break;
    }
    if (resized) fitViews(views, FieldAreas(s), options.settings);
    const double now = MsNow();
    if (!beat.due(now)) {
      WaitForInput(ConnectionNumber(s.display), beat.msUntilDue(now));
      continue;
    }
    // A window of our own fades in through its opacity; a host's window has
    // none, so there the flakes are dimmed by the same byte.
    const std::uint8_t opacity = fade.tick(options.settings.Brightness);
    if (s.own && opacity != opacityShown) {
      SetWindowOpacity(s, opacity);
      opacityShown = opacity;
    }
    if (views.size() > 1) {  // the root between monitors stays black
      glDisable(GL_SCISSOR_TEST);
      glClear(GL_COLOR_BUFFER_BIT);
      glEnable(GL_SCISSOR_TEST);
    }
    for (FieldView& view : views) {
      const ScreenRect& a = view.area;
      const int bottom = s.height - a.top - a.height;  // GL counts from the bottom
      SetupProjection(a.width, a.height, a.width, a.height);
      glViewport(a.left, bottom, a.width, a.height);
      glScissor(a.left, bottom, a.width, a.height);
      DrawFrame(*view.field, options.settings);
      if (!s.own) DimFrame(opacity);
    }
    glDisable(GL_SCISSOR_TEST);
    if (options.fps) {
      frameRate.countFrame(now / 1000);
      const ScreenRect& a = views.front().area;  // the primary monitor
      DrawFrameRateText(frameRate.text(), a.left, s.height - a.top - a.height, a.width, a.height);
    }
    PresentFrame(s);
    if (first && reportFirstFrame) {
      XSync(s.display, False);
      std::fprintf(stderr, "flindra: first frame (sway step %g)\n", views.front().field->SwayStep);
    }
    first = false;
  }
  // The window already gone: nothing of ours to clean up on the server.
  if (!windowGone) CloseGlxSurface(s);
  if (StopSignal() != 0) EndBySignal(StopSignal());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const ParsedOptions parsed = ParseOptions(StartProgram("flindra", argc, argv));
  if (const auto code = AnswerCommandLine(parsed.options, parsed.error, HelpText, FLINDRA_VERSION)) return *code;
  return run(parsed.options);
}
