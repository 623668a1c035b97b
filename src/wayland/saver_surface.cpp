#include "wayland/saver_surface.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/composited_frame.h"
#include "core/scene.h"
#include "posix/test_seam.h"
#include "keyboard-shortcuts-inhibit-unstable-v1-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace {

SaverSurface& saverOf(void* data) { return *static_cast<SaverSurface*>(data); }

void layerSurfaceHandleConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width,
                                 std::uint32_t height) {
  SaverSurface& s = saverOf(data);
  zwlr_layer_surface_v1_ack_configure(layer, serial);
  s.width = static_cast<int>(width);
  s.height = static_cast<int>(height);
  s.configured = s.width > 0 && s.height > 0;
}

void layerSurfaceHandleClosed(void* data, zwlr_layer_surface_v1*) { saverOf(data).closed = true; }

const zwlr_layer_surface_v1_listener kLayerListener = {layerSurfaceHandleConfigure, layerSurfaceHandleClosed};

void xdgSurfaceHandleConfigure(void* data, xdg_surface* surface, std::uint32_t serial) {
  xdg_surface_ack_configure(surface, serial);
  saverOf(data).configured = true;
}

const xdg_surface_listener kXdgSurfaceListener = {xdgSurfaceHandleConfigure};

void toplevelHandleConfigure(void* data, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array*) {
  // 0 x 0 leaves the size to us before the compositor has decided.
  SaverSurface& s = saverOf(data);
  if (width > 0 && height > 0) {
    s.width = width;
    s.height = height;
  }
}

void toplevelHandleClose(void* data, xdg_toplevel*) { saverOf(data).windowClosed = true; }
void toplevelHandleConfigureBounds(void*, xdg_toplevel*, std::int32_t, std::int32_t) {}
void toplevelHandleWmCapabilities(void*, xdg_toplevel*, wl_array*) {}

const xdg_toplevel_listener kToplevelListener = {toplevelHandleConfigure, toplevelHandleClose,
                                                 toplevelHandleConfigureBounds, toplevelHandleWmCapabilities};

// The outputs a surface is on; only our own outputs carry an Output.
Output* ourOutput(const SaverSurface& s, wl_output* output) {
  for (const auto& o : s.connection->outputs)
    if (o->output == output) return o.get();
  return nullptr;
}

void surfaceHandleEnter(void* data, wl_surface*, wl_output* output) {
  SaverSurface& s = saverOf(data);
  Output* o = ourOutput(s, output);
  if (o == nullptr) return;
  ForgetOutput(s, *o);
  s.entered.push_back(o);
}

void surfaceHandleLeave(void* data, wl_surface*, wl_output* output) {
  SaverSurface& s = saverOf(data);
  if (Output* o = ourOutput(s, output)) ForgetOutput(s, *o);
}

#ifdef WL_SURFACE_PREFERRED_BUFFER_SCALE_SINCE_VERSION
void surfaceHandlePreferredBufferScale(void* data, wl_surface*, std::int32_t factor) {
  saverOf(data).preferredScale = std::max(factor, 1);
}

void surfaceHandlePreferredBufferTransform(void*, wl_surface*, std::uint32_t) {}
#endif

const wl_surface_listener kSurfaceListener = {
    surfaceHandleEnter,
    surfaceHandleLeave,
#ifdef WL_SURFACE_PREFERRED_BUFFER_SCALE_SINCE_VERSION
    surfaceHandlePreferredBufferScale,
    surfaceHandlePreferredBufferTransform,
#endif
};

std::unique_ptr<SaverSurface> newSurface(const Connection& c, const Settings& settings) {
  auto s = std::make_unique<SaverSurface>();
  s->connection = &c;
  s->surface = wl_compositor_create_surface(c.compositor);
  wl_surface_add_listener(s->surface, &kSurfaceListener, s.get());
  FollowScale(*s, c.viewporter, c.fractionalScale);
  s->field = std::make_unique<FlakeField>();
  if (const auto& held = TestSeamFromEnvironment().heldFrame) s->heldFlakes = StartHeldField(*s->field, *held, settings);
  else StartField(*s->field, FirstSwayStep(settings.Speed));
  return s;
}

// What the compositor has said about the surface's size and the output it is
// on (the one it last entered, else the one it was opened for).
ScaleFacts ScaleFactsOf(const SaverSurface& s) {
  ScaleFacts f;
  f.width = s.width;
  f.height = s.height;
  f.preferredScale = s.preferredScale;
  const Output* o = s.entered.empty() ? s.output : s.entered.back();
  if (o != nullptr) {
    f.outputScale = o->scale;
    f.outputWidth = o->width;
    f.outputHeight = o->height;
    f.modeWidth = o->modeWidth;
    f.modeHeight = o->modeHeight;
  }
  return f;
}

// Once it hides the desktop, the compositor need not draw what lies under it.
void markOpaque(SaverSurface& s) {
  if (s.opaqueWidth == s.width && s.opaqueHeight == s.height) return;
  wl_region* region = wl_compositor_create_region(s.connection->compositor);
  wl_region_add(region, 0, 0, s.width, s.height);
  wl_surface_set_opaque_region(s.surface, region);
  wl_region_destroy(region);
  s.opaqueWidth = s.width;
  s.opaqueHeight = s.height;
}

}  // namespace

std::unique_ptr<SaverSurface> OpenLayerSurface(const Connection& c, Output& output, const Settings& settings) {
  auto s = newSurface(c, settings);
  s->output = &output;
  s->layer = zwlr_layer_shell_v1_get_layer_surface(c.layerShell, s->surface, output.output,
                                                   ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY, "flindra");
  zwlr_layer_surface_v1_add_listener(s->layer, &kLayerListener, s.get());
  zwlr_layer_surface_v1_set_anchor(s->layer,
                                   ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                       ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
  zwlr_layer_surface_v1_set_size(s->layer, 0, 0);
  zwlr_layer_surface_v1_set_exclusive_zone(s->layer, -1);
  zwlr_layer_surface_v1_set_keyboard_interactivity(s->layer,
                                                   ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
  wl_surface_commit(s->surface);
  return s;
}

std::unique_ptr<SaverSurface> OpenFullScreenWindow(const Connection& c, Output& output, const Settings& settings) {
  auto s = newSurface(c, settings);
  s->output = &output;
  s->xdgSurface = xdg_wm_base_get_xdg_surface(c.wmBase, s->surface);
  xdg_surface_add_listener(s->xdgSurface, &kXdgSurfaceListener, s.get());
  s->toplevel = xdg_surface_get_toplevel(s->xdgSurface);
  xdg_toplevel_add_listener(s->toplevel, &kToplevelListener, s.get());
  xdg_toplevel_set_title(s->toplevel, "Flindra");
  xdg_toplevel_set_app_id(s->toplevel, "flindra");
  xdg_toplevel_set_fullscreen(s->toplevel, output.output);
  // The output's size until the compositor gives one: some (sway) make the
  // window full screen only once it shows a frame.
  const bool known = output.width > 0 && output.height > 0;
  s->width = known ? output.width : 1280;
  s->height = known ? output.height : 720;
  wl_surface_commit(s->surface);
  return s;
}

void InhibitShortcuts(SaverSurface& s) {
  const Connection& c = *s.connection;
  if (s.shortcutsInhibitor != nullptr || c.shortcutsInhibit == nullptr || c.seat == nullptr) return;
  s.shortcutsInhibitor = zwp_keyboard_shortcuts_inhibit_manager_v1_inhibit_shortcuts(c.shortcutsInhibit, s.surface,
                                                                                      c.seat);
}

bool WantsFrame(const SaverSurface& s, long beat) {
  return s.configured && !s.closed && FrameDue(s, PlanFor(s, ScaleFactsOf(s)), beat);
}

bool DrawSaverFrame(const EglContext& egl, SaverSurface& s, const Settings& settings, const char* frameRate,
                    std::uint8_t opacity, long beat) {
  const BufferPlan plan = PlanFor(s, ScaleFactsOf(s));
  const bool first = s.egl.window == nullptr;
  if (!BeginFrame(egl, s, plan)) return false;
  // The surfaces share one context: setting its scene again for a new one is harmless.
  if (first) SetupScene(plan.width, plan.height, plan.width, plan.height);
  else SetupProjection(plan.width, plan.height, plan.width, plan.height);
  // Over the desktop: its alpha is the opacity too.
  DrawCompositedFrame(*s.field, settings, s.heldFlakes < 0 ? StepFlakes(*s.field, settings) : s.heldFlakes, opacity,
                      opacity, frameRate, plan.width, plan.height);
  if (opacity == 255) markOpaque(s);
  return ShowFrame(egl, s, beat);
}

void ForgetOutput(SaverSurface& s, const Output& output) {
  s.entered.erase(std::remove(s.entered.begin(), s.entered.end(), &output), s.entered.end());
}

void CloseSaverSurface(const EglContext& egl, SaverSurface& s) {
  CloseDrawnSurface(egl, s);
  if (s.shortcutsInhibitor != nullptr) zwp_keyboard_shortcuts_inhibitor_v1_destroy(s.shortcutsInhibitor);
  if (s.layer != nullptr) zwlr_layer_surface_v1_destroy(s.layer);
  if (s.toplevel != nullptr) xdg_toplevel_destroy(s.toplevel);
  if (s.xdgSurface != nullptr) xdg_surface_destroy(s.xdgSurface);
  wl_surface_destroy(s.surface);
  s.surface = nullptr;
}
