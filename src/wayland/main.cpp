// flindra-wayland: the flake field on every output of a Wayland desktop, as
// a screen saver an idle daemon starts: it fades in over the desktop, and
// input, a signal or the compositor going away ends it.
#include <cerrno>
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
#include "wayland/progress_report.h"
#include "wayland/saver_surface.h"

#ifndef FLINDRA_VERSION
#error "FLINDRA_VERSION comes from the build (the CMake project version)"
#endif

namespace {

using Surfaces = std::vector<std::unique_ptr<SaverSurface>>;

// A layer surface the compositor closed while its output remains (an output
// turned off and on closes it) is opened again on that output: at once, or
// after a second when it closed within a second of opening.
struct Reopening {
  Output* output;
  long dueBeat;
};
constexpr long kReopenPauseBeats = 32;

const char* nameOf(const SaverSurface& s) { return s.output->name.empty() ? "an output" : s.output->name.c_str(); }

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
  ProgressReport report;
  if (!InstallSignalHandlers()) Fail("cannot install the signal handlers");

  Connection c;
  Surfaces surfaces;
  std::vector<Reopening> reopenings;
  EglContext egl;
  // Every output gets a surface, those added later included: a layer
  // surface, or where there is no layer shell a full-screen window.
  // FLINDRA_NO_LAYER_SHELL=1 takes the path of desktops without one, for
  // the tests.
  bool layered = false;
  bool covering = false;  // outputs announced from now on get a surface at once
  long beats = 0;
  Input input;
  const auto openOn = [&](Output& o) {
    surfaces.push_back(layered ? OpenLayerSurface(c, o, settings) : OpenFullScreenWindow(c, o, settings));
    surfaces.back()->openedBeat = beats;
  };
  const auto drop = [&](Surfaces::iterator at) {
    report.say("surface gone from %s", nameOf(**at));
    CloseSaverSurface(egl, **at);
    return surfaces.erase(at);
  };
  c.seatAdded = [&input, &surfaces](wl_seat* seat) {
    WatchInput(input, seat, [&surfaces](wl_surface* surface, int& x, int& y) {
      for (const auto& s : surfaces) {
        if (s->surface != surface) continue;
        x = s->output->x;
        y = s->output->y;
        return true;
      }
      return false;
    });
    input.keyboardEntered = [&surfaces](wl_surface* surface) {
      for (const auto& s : surfaces)
        if (s->surface == surface) InhibitShortcuts(*s);
    };
  };
  c.outputAdded = [&](Output& o) {
    if (covering) openOn(o);
  };
  c.outputRemoved = [&](Output& o) {
    reopenings.erase(std::remove_if(reopenings.begin(), reopenings.end(),
                                    [&o](const Reopening& r) { return r.output == &o; }),
                     reopenings.end());
    for (auto it = surfaces.begin(); it != surfaces.end();) {
      ForgetOutput(**it, o);
      it = (*it)->output == &o ? drop(it) : it + 1;
    }
  };
  if (!OpenConnection(c)) Fail("cannot connect to a Wayland compositor (is WAYLAND_DISPLAY set?)");
  if (c.compositor == nullptr) Fail("the compositor offers no wl_compositor");
  layered = c.layerShell != nullptr && std::getenv("FLINDRA_NO_LAYER_SHELL") == nullptr;
  if (!layered && c.wmBase == nullptr) Fail("the compositor offers neither a layer shell nor xdg-shell");
  std::string why;
  if (!OpenEglContext(c.display, egl, why)) Fail(why);

  for (const auto& o : c.outputs)
    if (o->announced) openOn(*o);
  covering = true;

  Beat beat(static_cast<double>(options.delayUs) / 1000);
  FrameRate frameRate;
  FadeIn fade;
  while (StopSignal() == 0 && input.endedBy.empty()) {
    for (auto it = surfaces.begin(); it != surfaces.end();) {
      SaverSurface& s = **it;
      if (s.windowClosed) input.endedBy = "the window's close";
      if (!s.closed) {
        ++it;
        continue;
      }
      const long pause = beats - s.openedBeat < kReopenPauseBeats ? kReopenPauseBeats : 0;
      reopenings.push_back({s.output, beats + pause});
      it = drop(it);
    }
    for (auto it = reopenings.begin(); it != reopenings.end();) {
      if (it->dueBeat > beats) {
        ++it;
        continue;
      }
      report.say("surface opened again on %s", it->output->name.c_str());
      openOn(*it->output);
      it = reopenings.erase(it);
    }
    if (!input.endedBy.empty()) break;
    // Nothing left to show on and nothing to wait for: the desk has no outputs.
    if (surfaces.empty() && reopenings.empty() && c.outputs.empty()) {
      input.endedBy = "every output gone";
      break;
    }
    const double now = MsNow();
    if (beat.due(now)) {
      // One fade tick a beat, whether or not a surface is shown.
      const std::uint8_t opacity = fade.tick(settings.Brightness);
      ++beats;
      bool shown = false;
      for (const auto& s : surfaces) {
        if (!WantsFrame(*s, beats)) continue;
        if (!DrawSaverFrame(egl, *s, settings, options.fps ? frameRate.text() : nullptr, opacity, beats))
          Fail(std::string("EGL refused to draw on ") + nameOf(*s));
        shown = true;
        if (s->framesShown == 1)
          report.say("surface on %s (%d x %d, buffer %d x %d)", nameOf(*s), s->width, s->height, s->plan.width,
                     s->plan.height);
      }
      if (shown && options.fps) frameRate.countFrame(now / 1000);
      report.beatDrawn(shown, fade.done(), surfaces.empty() ? 0.0 : surfaces.front()->field->SwayStep);
    }
    if (!waitAndDispatch(c.display, beat.msUntilDue(MsNow()))) connectionLost(c.display);
  }
  if (!input.endedBy.empty()) report.say("ended by %s", input.endedBy.c_str());

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
