// The floors for flindra-wayland's whole-desk figures: a layer-shell overlay
// surface on every output, of the buffer flindra-wayland would draw there
// (the output's whole scale), cleared opaque black with glClear once every
// 31 ms through the same EGL context, marked opaque from the start, and
// drawn only when the compositor has asked for the frame, as
// flindra-wayland is. With -reference each frame is the reference frame
// (bench/reference_frame: the same points drawn straight, with no model)
// on that opaque black instead. No other options, model, fade or input;
// SIGTERM ends it. With the test seam's report (posix/test_seam.h) it says
// "first frame" on standard error once every surface has shown one.
#include <poll.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/beat.h"
#include "core/flakes.h"
#include "core/gl.h"
#include "posix/test_seam.h"
#include "reference_frame.h"
#include "wayland/connection.h"
#include "wayland/drawn_surface.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"

namespace {

// Drawn as flindra-wayland's surfaces are (DrawnSurface), at the output's
// whole scale.
struct ClearSurface : DrawnSurface {
  Output* output = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
  int width = 0, height = 0;  // logical pixels, from the compositor
};

ClearSurface& clearOf(void* data) { return *static_cast<ClearSurface*>(data); }

void layerSurfaceHandleConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width,
                                 std::uint32_t height) {
  zwlr_layer_surface_v1_ack_configure(layer, serial);
  clearOf(data).width = static_cast<int>(width);
  clearOf(data).height = static_cast<int>(height);
}

void layerSurfaceHandleClosed(void*, zwlr_layer_surface_v1*) { std::exit(1); }

const zwlr_layer_surface_v1_listener kLayerListener = {layerSurfaceHandleConfigure, layerSurfaceHandleClosed};

// Covers the whole output, above everything, as flindra-wayland's surface does.
void openOn(const Connection& c, ClearSurface& s) {
  s.surface = wl_compositor_create_surface(c.compositor);
  s.layer = zwlr_layer_shell_v1_get_layer_surface(c.layerShell, s.surface, s.output->output,
                                                  ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "wayland_clear");
  zwlr_layer_surface_v1_add_listener(s.layer, &kLayerListener, &s);
  const std::uint32_t everyEdge = ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                  ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;
  zwlr_layer_surface_v1_set_anchor(s.layer, everyEdge);
  zwlr_layer_surface_v1_set_exclusive_zone(s.layer, -1);
  wl_surface_commit(s.surface);
}

// One black frame, or the reference frame, handed over with the next frame
// asked for. False when EGL refuses.
bool drawFrame(const Connection& c, const EglContext& egl, ClearSurface& s, const BufferPlan& plan, long beat,
               bool reference) {
  if (s.egl.window == nullptr) {
    wl_region* opaque = wl_compositor_create_region(c.compositor);
    wl_region_add(opaque, 0, 0, s.width, s.height);
    wl_surface_set_opaque_region(s.surface, opaque);
    wl_region_destroy(opaque);
  }
  if (!BeginFrame(egl, s, plan)) return false;
  if (reference) {
    // The surfaces share one context: each frame sets the scene for its own
    // size, as flindra-wayland sets its projection.
    SetupReferenceScene(plan.width, plan.height);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);  // opaque, as flindra-wayland's buffer once faded in
    DrawReferenceFrame();
  } else {
    glViewport(0, 0, plan.width, plan.height);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }
  return ShowFrame(egl, s, beat);
}

double msNow() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
}

[[noreturn]] void fail(const std::string& why) {
  std::fprintf(stderr, "wayland_clear: %s\n", why.c_str());
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  const bool reference = argc == 2 && std::string(argv[1]) == "-reference";
  if (argc > 1 && !reference) fail("usage: wayland_clear [-reference]");
  if (reference) {
    const auto field = std::make_unique<FlakeField>();
    SeedFlakeTable(*field, 1);
    PrepareReferenceFrame(*field);
  }
  Connection c;
  if (!OpenConnection(c)) fail("cannot connect to a Wayland compositor");
  if (c.compositor == nullptr || c.layerShell == nullptr) fail("the compositor offers no layer shell");
  EglContext egl;
  std::string why;
  if (!OpenEglContext(c.display, egl, why)) fail(why);
  std::vector<std::unique_ptr<ClearSurface>> surfaces;
  for (const auto& o : c.outputs) {
    if (!o->announced) continue;
    surfaces.push_back(std::make_unique<ClearSurface>());
    surfaces.back()->output = o.get();
    openOn(c, *surfaces.back());
  }
  if (surfaces.empty()) fail("no output");

  bool report = TestSeamFromEnvironment().report;
  Beat beat;
  long beats = 0;
  for (;;) {
    if (beat.due(msNow())) {
      ++beats;
      bool allShown = true;
      for (const auto& s : surfaces) {
        ScaleFacts facts;
        facts.width = s->width;
        facts.height = s->height;
        facts.outputScale = s->output->scale;
        const BufferPlan plan = PlanBuffer(facts);
        if (s->width > 0 && FrameDue(*s, plan, beats) && !drawFrame(c, egl, *s, plan, beats, reference))
          fail("EGL refused to draw");
        allShown = allShown && s->framesShown > 0;
      }
      if (report && allShown) {
        std::fprintf(stderr, "wayland_clear: first frame\n");
        report = false;
      }
    }
    if (wl_display_dispatch_pending(c.display) < 0 || wl_display_flush(c.display) < 0) fail("the compositor went away");
    pollfd fd = {wl_display_get_fd(c.display), POLLIN, 0};
    const int ms = static_cast<int>(beat.msUntilDue(msNow())) + 1;
    if (poll(&fd, 1, ms) > 0 && wl_display_dispatch(c.display) < 0) fail("the compositor went away");
  }
}
