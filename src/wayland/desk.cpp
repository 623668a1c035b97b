#include "wayland/desk.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "core/beat.h"
#include "core/fade.h"
#include "core/frame_rate.h"
#include "posix/process.h"
#include "posix/test_seam.h"
#include "posix/wait.h"

using Surfaces = std::vector<std::unique_ptr<SaverSurface>>;

namespace {

// A layer surface the compositor closed while its output remains (an output
// turned off and on closes it) is opened again on that output: at once, or
// after a second when it closed within a second of opening.
struct Reopening {
  Output* output;
  long dueBeat;
};
constexpr long kReopenPauseBeats = 32;

}  // namespace

struct Showing {
  const Settings& settings;
  Surfaces surfaces;
  std::vector<Reopening> reopenings;
  long beats = 0;
};

namespace {

const char* nameOf(const SaverSurface& s) { return s.output->name.empty() ? "an output" : s.output->name.c_str(); }

void openOn(Desk& desk, Output& o) {
  Showing& s = *desk.showing;
  const Connection& c = desk.connection;
  s.surfaces.push_back(desk.layered ? OpenLayerSurface(c, o, s.settings) : OpenFullScreenWindow(c, o, s.settings));
  s.surfaces.back()->openedBeat = s.beats;
}

Surfaces::iterator drop(Desk& desk, Surfaces::iterator at) {
  desk.report.say("surface gone from %s", nameOf(**at));
  CloseSaverSurface(desk.egl, **at);
  return desk.showing->surfaces.erase(at);
}

SaverSurface* surfaceOf(const Desk& desk, wl_surface* surface) {
  if (desk.showing == nullptr) return nullptr;
  for (const auto& s : desk.showing->surfaces)
    if (s->surface == surface) return s.get();
  return nullptr;
}

void outputGone(Desk& desk, Output& o) {
  if (desk.showing == nullptr) return;
  Showing& s = *desk.showing;
  s.reopenings.erase(std::remove_if(s.reopenings.begin(), s.reopenings.end(),
                                    [&o](const Reopening& r) { return r.output == &o; }),
                     s.reopenings.end());
  for (auto it = s.surfaces.begin(); it != s.surfaces.end();) {
    ForgetOutput(**it, o);
    it = (*it)->output == &o ? drop(desk, it) : it + 1;
  }
}

// Closed layer surfaces go, to be opened again while their output remains.
void reopenClosed(Desk& desk) {
  Showing& s = *desk.showing;
  for (auto it = s.surfaces.begin(); it != s.surfaces.end();) {
    SaverSurface& surface = **it;
    if (surface.windowClosed && desk.input.endedBy.empty()) desk.input.endedBy = "the window's close";
    if (!surface.closed) {
      ++it;
      continue;
    }
    const long pause = s.beats - surface.openedBeat < kReopenPauseBeats ? kReopenPauseBeats : 0;
    s.reopenings.push_back({surface.output, s.beats + pause});
    it = drop(desk, it);
  }
  for (auto it = s.reopenings.begin(); it != s.reopenings.end();) {
    if (it->dueBeat > s.beats) {
      ++it;
      continue;
    }
    desk.report.say("surface opened again on %s", it->output->name.c_str());
    openOn(desk, *it->output);
    it = s.reopenings.erase(it);
  }
}

}  // namespace

void OpenDesk(Desk& desk, int noCompositorCode) {
  Connection& c = desk.connection;
  c.seatAdded = [&desk](wl_seat* seat) {
    WatchInput(desk.input, seat, [&desk](wl_surface* surface, int& x, int& y) {
      const SaverSurface* s = surfaceOf(desk, surface);
      if (s == nullptr) return false;
      x = s->output->x;
      y = s->output->y;
      return true;
    });
    // NOTE: only over a layer shell: gnome-shell (the desks without one) asks
    // the user in a modal dialog before it grants the inhibitor, and the
    // dialog then takes the keys and dims the other monitors.
    desk.input.keyboardEntered = [&desk](wl_surface* surface) {
      SaverSurface* s = surfaceOf(desk, surface);
      if (s != nullptr && desk.layered) InhibitShortcuts(*s);
    };
  };
  c.outputAdded = [&desk](Output& o) {
    if (desk.showing != nullptr) openOn(desk, o);
  };
  c.outputRemoved = [&desk](Output& o) { outputGone(desk, o); };
  if (!OpenConnection(c)) Fail("cannot connect to a Wayland compositor (is WAYLAND_DISPLAY set?)", noCompositorCode);
  if (c.compositor == nullptr) Fail("the compositor offers no wl_compositor");
  // The test seam's no-layer-shell takes the path of desktops without one.
  desk.layered = c.layerShell != nullptr && !TestSeamFromEnvironment().noLayerShell;
  if (!desk.layered && c.wmBase == nullptr) Fail("the compositor offers neither a layer shell nor xdg-shell");
  std::string why;
  if (!OpenEglContext(c.display, desk.egl, why)) Fail(why);
}

void CloseDesk(Desk& desk) {
  StopInput(desk.input);
  CloseEglContext(desk.egl);
  CloseConnection(desk.connection);
}

bool WaitOnDesk(Desk& desk, IdleWatch* idle, double ms) {
  wl_display* display = desk.connection.display;
  while (wl_display_prepare_read(display) != 0) {
    if (wl_display_dispatch_pending(display) < 0) return false;
  }
  if (wl_display_flush(display) < 0 && errno != EAGAIN) {
    wl_display_cancel_read(display);
    return false;
  }
  const int bus = idle != nullptr ? IdleBusFd(*idle) : -1;
  if (idle != nullptr) ms = std::min(ms, IdleBusDueMs(*idle) - MsNow());
  const int settings = desk.settings != nullptr ? desk.settings->fd() : -1;
  const unsigned readable = WaitForInputs({wl_display_get_fd(display), bus, settings}, ms);
  if ((readable & 1u) != 0) {
    if (wl_display_read_events(display) < 0) return false;
  } else {
    wl_display_cancel_read(display);
  }
  if (idle != nullptr) DispatchIdleBus(*idle);
  if ((readable & 4u) != 0) desk.settings->takeEvents();
  return wl_display_dispatch_pending(display) >= 0;
}

void DeskLost(Desk& desk) {
  wl_display* display = desk.connection.display;
  if (wl_display_get_error(display) == EPROTO) {
    const wl_interface* interface = nullptr;
    std::uint32_t id = 0;
    const std::uint32_t code = wl_display_get_protocol_error(display, &interface, &id);
    Fail("protocol error " + std::to_string(code) + " on " + (interface ? interface->name : "the display"));
  }
  std::exit(0);
}

std::string ShowSaver(Desk& desk, const ProgramOptions& options, IdleWatch* idle) {
  const Settings& settings = options.settings;
  Showing showing{settings, {}, {}, 0};
  desk.showing = &showing;
  Input& input = desk.input;
  StartWatchingAnew(input, desk.connection.relativePointer);
  desk.report.showingStarted();
  for (const auto& o : desk.connection.outputs)
    if (o->announced) openOn(desk, *o);

  Beat beat(static_cast<double>(options.delayUs) / 1000);
  FrameRate frameRate;
  FadeIn fade;
  while (StopSignal() == 0 && input.endedBy.empty()) {
    reopenClosed(desk);
    if (!input.endedBy.empty()) break;
    // The idle source saw someone back, on a device the saver does not hear.
    if (idle != nullptr && !idle->idle) input.endedBy = "the idle source's word";
    // Nothing left to show on and nothing to wait for: the desk has no outputs.
    if (showing.surfaces.empty() && showing.reopenings.empty() && desk.connection.outputs.empty())
      input.endedBy = "every output gone";
    if (!input.endedBy.empty()) break;
    const double now = MsNow();
    if (beat.due(now)) {
      // One fade tick a beat, whether or not a surface is shown.
      const std::uint8_t opacity = fade.tick(settings.Brightness);
      const long beats = ++showing.beats;
      bool shown = false;
      for (const auto& s : showing.surfaces) {
        if (!WantsFrame(*s, beats)) continue;
        const BufferPlan was = s->plan;
        if (!DrawSaverFrame(desk.egl, *s, settings, options.fps ? frameRate.text() : nullptr, opacity, beats))
          Fail(std::string("EGL refused to draw on ") + nameOf(*s));
        shown = true;
        // A window going full screen moves under a still pointer: where the
        // pointer is over it starts anew.
        if (s->plan != was) input.pointerSeen = false;
        if (s->framesShown == 1)
          desk.report.say("surface on %s (%d x %d, buffer %d x %d)", nameOf(*s), s->width, s->height, s->plan.width,
                          s->plan.height);
      }
      if (shown && options.fps) frameRate.countFrame(now / 1000);
      desk.report.beatDrawn(shown, fade.done(),
                            showing.surfaces.empty() ? 0.0 : showing.surfaces.front()->field->SwayStep);
    }
    if (!WaitOnDesk(desk, idle, beat.msUntilDue(MsNow()))) DeskLost(desk);
  }
  const std::string endedBy = StopSignal() != 0 ? "a signal" : input.endedBy;
  desk.report.say("ended by %s", endedBy.c_str());
  for (const auto& s : showing.surfaces) CloseSaverSurface(desk.egl, *s);
  desk.showing = nullptr;
  // Let the compositor take the surfaces down before anything else.
  wl_display_flush(desk.connection.display);
  return endedBy;
}
