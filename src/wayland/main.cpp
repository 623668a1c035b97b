// flindra-wayland: the flake field on every output of a Wayland desktop, as
// a screen saver an idle daemon starts: it fades in over the desktop, and
// input, a signal or the compositor going away ends it.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/beat.h"
#include "core/fade.h"
#include "core/flakes.h"
#include "core/frame_rate.h"
#include "core/program_options.h"
#include "posix/process.h"
#include "posix/program_main.h"
#include "posix/wait.h"
#include "wayland/connection.h"
#include "wayland/egl_context.h"
#include "wayland/input.h"
#include "wayland/options.h"
#include "wayland/saver_surface.h"

#ifndef FLINDRA_VERSION
#error "FLINDRA_VERSION comes from the build (the CMake project version)"
#endif

namespace {

using Surfaces = std::vector<std::unique_ptr<SaverSurface>>;

// FLINDRA_REPORT_FIRST_FRAME makes the program say on standard error when
// it has shown its first frame, a surface's first frame, the end of its
// fade, a surface gone and what ended it, for the tests.
bool reporting = false;

void report(const char* format, ...) {
  if (!reporting) return;
  std::va_list args;
  va_start(args, format);
  std::fputs("flindra-wayland: ", stderr);
  std::vfprintf(stderr, format, args);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  va_end(args);
}

const char* nameOf(const SaverSurface& s) {
  if (s.output == nullptr) return "the full-screen window";
  return s.output->name.empty() ? "an output" : s.output->name.c_str();
}

void dropSurface(const EglContext& egl, Surfaces& surfaces, Surfaces::iterator at) {
  report("surface gone from %s", nameOf(**at));
  CloseSaverSurface(egl, **at);
  surfaces.erase(at);
}

// Waits for the compositor, a signal or the next beat, then handles what came.
// False when the connection failed.
bool waitAndDispatch(wl_display* display, double msToWait) {
  while (wl_display_prepare_read(display) != 0) {
    if (wl_display_dispatch_pending(display) < 0) return false;
  }
  if (wl_display_flush(display) < 0 && errno != EAGAIN) {
    wl_display_cancel_read(display);
    return false;
  }
  if (WaitForInput(wl_display_get_fd(display), msToWait)) {
    if (wl_display_read_events(display) < 0) return false;
  } else {
    wl_display_cancel_read(display);
  }
  return wl_display_dispatch_pending(display) >= 0;
}

// The compositor went away (0, as when a saver's display closes) or ended
// the connection over a protocol error (a fault of ours: 1, with a line).
[[noreturn]] void connectionLost(wl_display* display) {
  const int error = wl_display_get_error(display);
  if (error == EPROTO) {
    const wl_interface* interface = nullptr;
    std::uint32_t id = 0;
    const std::uint32_t code = wl_display_get_protocol_error(display, &interface, &id);
    Fail("protocol error " + std::to_string(code) + " on " + (interface ? interface->name : "the display"));
  }
  std::exit(0);
}

int run(const ProgramOptions& options) {
  const Settings& settings = options.settings;
  reporting = std::getenv("FLINDRA_REPORT_FIRST_FRAME") != nullptr;
  if (!InstallSignalHandlers()) Fail("cannot install the signal handlers");

  Connection c;
  Surfaces surfaces;
  EglContext egl;
  // Where there is a layer shell every output gets a surface, those added
  // later included. FLINDRA_NO_LAYER_SHELL=1 takes the path of desktops
  // without one, for the tests.
  bool layered = false;
  Input input;
  c.seatAdded = [&input, &surfaces](wl_seat* seat) {
    WatchInput(input, seat, [&surfaces](wl_surface* surface, int& x, int& y) {
      for (const auto& s : surfaces) {
        if (s->surface != surface) continue;
        x = s->output != nullptr ? s->output->x : 0;
        y = s->output != nullptr ? s->output->y : 0;
        return true;
      }
      return false;
    });
  };
  c.outputAdded = [&](Output& o) {
    if (layered) surfaces.push_back(OpenLayerSurface(c, o, settings));
  };
  c.outputRemoved = [&](Output& o) {
    for (auto it = surfaces.begin(); it != surfaces.end(); ++it)
      if ((*it)->output == &o) return dropSurface(egl, surfaces, it);
  };
  if (!OpenConnection(c)) Fail("cannot connect to a Wayland compositor (is WAYLAND_DISPLAY set?)");
  if (c.compositor == nullptr) Fail("the compositor offers no wl_compositor");
  layered = c.layerShell != nullptr && std::getenv("FLINDRA_NO_LAYER_SHELL") == nullptr;
  if (!layered && c.wmBase == nullptr) Fail("the compositor offers neither a layer shell nor xdg-shell");
  std::string why;
  if (!OpenEglContext(c.display, egl, why)) Fail(why);

  if (layered) {
    for (const auto& o : c.outputs)
      if (o->announced) surfaces.push_back(OpenLayerSurface(c, *o, settings));
  } else {
    surfaces.push_back(OpenFullScreenWindow(c, settings));
  }

  Beat beat(static_cast<double>(options.delayUs) / 1000);
  FrameRate frameRate;
  FadeIn fade;
  bool shownAny = false, fadedIn = false;
  long beats = 0;
  while (StopSignal() == 0 && input.endedBy.empty()) {
    for (auto it = surfaces.begin(); it != surfaces.end();) {
      if ((*it)->windowClosed) input.endedBy = "the window's close";
      if ((*it)->closed) {
        dropSurface(egl, surfaces, it);
        it = surfaces.begin();
      } else {
        ++it;
      }
    }
    if (!input.endedBy.empty()) break;
    const double now = MsNow();
    if (beat.due(now)) {
      // One fade tick a beat, whether or not a surface is shown.
      const std::uint8_t opacity = fade.tick(settings.Brightness);
      ++beats;
      bool shown = false;
      for (const auto& s : surfaces) {
        if (!WantsFrame(*s, beats)) continue;
        const long hiddenFor = s->lastShownBeat >= 0 ? beats - s->lastShownBeat : 0;
        if (!DrawSaverFrame(egl, *s, settings, options.fps ? frameRate.text() : nullptr, opacity, beats))
          Fail(std::string("EGL refused to draw on ") + nameOf(*s));
        shown = true;
        if (s->framesShown == 1) report("surface on %s (%d x %d)", nameOf(*s), s->width, s->height);
        // A surface the compositor kept hidden (no frame asked for) for a while.
        if (hiddenFor > 10) report("%s drawn again after %ld beats without a frame", nameOf(*s), hiddenFor);
      }
      if (shown && options.fps) frameRate.countFrame(now / 1000);
      if (shown && !shownAny) {
        shownAny = true;
        report("first frame (sway step %g)", surfaces.front()->field->SwayStep);
      }
      if (shown && fade.done() && !fadedIn) {
        fadedIn = true;
        report("faded in (opacity %d)", opacity);
      }
    }
    if (!waitAndDispatch(c.display, beat.msUntilDue(MsNow()))) connectionLost(c.display);
  }
  if (!input.endedBy.empty()) report("ended by %s", input.endedBy.c_str());
  for (const auto& s : surfaces) report("frames shown on %s: %d", nameOf(*s), s->framesShown);

  StopInput(input);
  for (const auto& s : surfaces) CloseSaverSurface(egl, *s);
  surfaces.clear();
  CloseEglContext(egl);
  CloseConnection(c);
  if (StopSignal() != 0) EndBySignal(StopSignal());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const char* const kProgram = "flindra-wayland";
  ProgramOptions options;
  const std::string error = ReadProgramOptions(kProgram, StartProgram(kProgram, argc, argv), options);
  if (const auto code = AnswerCommandLine(options, error, WaylandHelpText, FLINDRA_VERSION)) return *code;
  return run(options);
}
