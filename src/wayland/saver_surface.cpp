#include "wayland/saver_surface.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/dim_frame.h"
#include "core/frame_rate_text.h"
#include "core/gl.h"
#include "core/scene.h"
#include "posix/held_frame.h"
#include "fractional-scale-v1-client-protocol.h"
#include "keyboard-shortcuts-inhibit-unstable-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace {

SaverSurface& saverOf(void* data) { return *static_cast<SaverSurface*>(data); }

const zwlr_layer_surface_v1_listener kLayerListener = {
    [](void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width, std::uint32_t height) {
      SaverSurface& s = saverOf(data);
      zwlr_layer_surface_v1_ack_configure(layer, serial);
      s.width = static_cast<int>(width);
      s.height = static_cast<int>(height);
      s.configured = s.width > 0 && s.height > 0;
    },
    [](void* data, zwlr_layer_surface_v1*) { saverOf(data).closed = true; },
};

const xdg_surface_listener kXdgSurfaceListener = {
    [](void* data, xdg_surface* surface, std::uint32_t serial) {
      xdg_surface_ack_configure(surface, serial);
      saverOf(data).configured = true;
    },
};

const xdg_toplevel_listener kToplevelListener = {
    [](void* data, xdg_toplevel*, std::int32_t width, std::int32_t height, wl_array*) {
      // 0 x 0 leaves the size to us before the compositor has decided.
      SaverSurface& s = saverOf(data);
      if (width > 0 && height > 0) {
        s.width = width;
        s.height = height;
      }
    },
    [](void* data, xdg_toplevel*) { saverOf(data).windowClosed = true; },
    [](void*, xdg_toplevel*, std::int32_t, std::int32_t) {},
    [](void*, xdg_toplevel*, wl_array*) {},
};

const wl_callback_listener kFrameListener = {
    [](void* data, wl_callback* callback, std::uint32_t) {
      wl_callback_destroy(callback);
      SaverSurface& s = saverOf(data);
      s.frameAsked = nullptr;
      s.pacing.answered();
    },
};

// The outputs a surface is on; only our own outputs carry an Output.
Output* ourOutput(const SaverSurface& s, wl_output* output) {
  for (const auto& o : s.connection->outputs)
    if (o->output == output) return o.get();
  return nullptr;
}

const wl_surface_listener kSurfaceListener = {
    [](void* data, wl_surface*, wl_output* output) {
      SaverSurface& s = saverOf(data);
      Output* o = ourOutput(s, output);
      if (o == nullptr) return;
      ForgetOutput(s, *o);
      s.entered.push_back(o);
    },
    [](void* data, wl_surface*, wl_output* output) {
      SaverSurface& s = saverOf(data);
      if (Output* o = ourOutput(s, output)) ForgetOutput(s, *o);
    },
#ifdef WL_SURFACE_PREFERRED_BUFFER_SCALE_SINCE_VERSION
    [](void* data, wl_surface*, std::int32_t factor) { saverOf(data).preferredScale = std::max(factor, 1); },
    [](void*, wl_surface*, std::uint32_t) {},
#endif
};

const wp_fractional_scale_v1_listener kFractionalScaleListener = {
    [](void* data, wp_fractional_scale_v1*, std::uint32_t scale120) {
      saverOf(data).fractionalScale120 = static_cast<int>(std::min<std::uint32_t>(scale120, 120 * 64));
    },
};

std::unique_ptr<SaverSurface> newSurface(const Connection& c, const Settings& settings) {
  auto s = std::make_unique<SaverSurface>();
  s->connection = &c;
  s->surface = wl_compositor_create_surface(c.compositor);
  wl_surface_add_listener(s->surface, &kSurfaceListener, s.get());
  if (c.viewporter != nullptr) s->viewport = wp_viewporter_get_viewport(c.viewporter, s->surface);
  if (c.fractionalScale != nullptr) {
    s->fractionalScale = wp_fractional_scale_manager_v1_get_fractional_scale(c.fractionalScale, s->surface);
    wp_fractional_scale_v1_add_listener(s->fractionalScale, &kFractionalScaleListener, s.get());
  }
  s->field = std::make_unique<FlakeField>();
  if (const auto held = HeldFrameFromEnvironment()) s->heldFlakes = StartHeldField(*s->field, *held, settings);
  else StartField(*s->field, FirstSwayStep(settings.Speed));
  return s;
}

// The buffer's size, scale and viewport for the next frame, when they change.
void applyPlan(SaverSurface& s, const BufferPlan& plan) {
  wl_surface_set_buffer_scale(s.surface, plan.bufferScale);
  if (s.viewport != nullptr) {
    if (plan.viewport) wp_viewport_set_destination(s.viewport, plan.viewportWidth, plan.viewportHeight);
    else wp_viewport_set_destination(s.viewport, -1, -1);
  }
  s.plan = plan;
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

ScaleFacts ScaleFactsOf(const SaverSurface& s) {
  ScaleFacts f;
  f.width = s.width;
  f.height = s.height;
  f.preferredScale = s.preferredScale;
  f.fractionalScale120 = s.fractionalScale120;
  f.viewporter = s.viewport != nullptr;
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

bool WantsFrame(const SaverSurface& s, long beat) {
  // A new size or scale is drawn at once: a compositor may hold back the
  // frame it was asked for while it changes the output's mode, and answer
  // it only when the surface next changes, which would be never.
  return s.configured && !s.closed && (s.pacing.due(beat) || PlanBuffer(ScaleFactsOf(s)) != s.plan);
}

bool DrawSaverFrame(const EglContext& egl, SaverSurface& s, const Settings& settings, const char* frameRate,
                    std::uint8_t opacity, long beat) {
  const BufferPlan plan = PlanBuffer(ScaleFactsOf(s));
  const bool first = s.egl.window == nullptr;
  if (first || plan != s.plan) applyPlan(s, plan);
  if (!MakeWindowCurrent(egl, s.surface, plan.width, plan.height, s.egl)) return false;
  // The surfaces share one context: setting its scene again for a new one is harmless.
  if (first) SetupScene(plan.width, plan.height, plan.width, plan.height);
  else SetupProjection(plan.width, plan.height, plan.width, plan.height);
  // Premultiplied alpha: the clear sets the alpha to the opacity, which the
  // flakes and the dimming leave alone (they blend by their own alpha, never
  // the buffer's), and the dimming scales the colours by it.
  // NOTE: not an alpha-only clear after drawing: Mesa draws a masked clear
  // as a quad over the whole buffer, which in software costs about as much
  // as the flakes.
  glClearColor(0.0f, 0.0f, 0.0f, static_cast<GLfloat>(opacity) / 255.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
  DrawFlakes(*s.field, settings, s.heldFlakes < 0 ? StepFlakes(*s.field, settings) : s.heldFlakes);
  if (frameRate != nullptr) DrawFrameRateText(frameRate, 0, 0, plan.width, plan.height);
  DimFrame(opacity);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  if (opacity == 255) markOpaque(s);
  if (s.frameAsked != nullptr) wl_callback_destroy(s.frameAsked);
  s.frameAsked = wl_surface_frame(s.surface);
  wl_callback_add_listener(s.frameAsked, &kFrameListener, &s);
  s.pacing.drawn(beat);
  if (!eglSwapBuffers(egl.display, s.egl.surface)) return false;
  ++s.framesShown;
  return true;
}

void ForgetOutput(SaverSurface& s, const Output& output) {
  s.entered.erase(std::remove(s.entered.begin(), s.entered.end(), &output), s.entered.end());
}

void CloseSaverSurface(const EglContext& egl, SaverSurface& s) {
  CloseEglWindow(egl, s.egl);
  if (s.frameAsked != nullptr) wl_callback_destroy(s.frameAsked);
  if (s.shortcutsInhibitor != nullptr) zwp_keyboard_shortcuts_inhibitor_v1_destroy(s.shortcutsInhibitor);
  if (s.fractionalScale != nullptr) wp_fractional_scale_v1_destroy(s.fractionalScale);
  if (s.viewport != nullptr) wp_viewport_destroy(s.viewport);
  if (s.layer != nullptr) zwlr_layer_surface_v1_destroy(s.layer);
  if (s.toplevel != nullptr) xdg_toplevel_destroy(s.toplevel);
  if (s.xdgSurface != nullptr) xdg_surface_destroy(s.xdgSurface);
  wl_surface_destroy(s.surface);
  s.surface = nullptr;
}
