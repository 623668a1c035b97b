#include "wayland/saver_surface.h"

#include "core/dim_frame.h"
#include "core/frame_rate_text.h"
#include "core/gl.h"
#include "core/scene.h"
#include "xdg-shell-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"

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
      saverOf(data).frameAsked = nullptr;
    },
};

std::unique_ptr<SaverSurface> newSurface(const Connection& c, const Settings& settings) {
  auto s = std::make_unique<SaverSurface>();
  s->surface = wl_compositor_create_surface(c.compositor);
  s->field = std::make_unique<FlakeField>();
  StartField(*s->field, FirstSwayStep(settings.Speed));
  return s;
}

}  // namespace

std::unique_ptr<SaverSurface> OpenLayerSurface(const Connection& c, Output& output, const Settings& settings) {
  auto s = newSurface(c, settings);
  s->output = &output;
  s->scale = output.scale;
  wl_surface_set_buffer_scale(s->surface, s->scale);
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

std::unique_ptr<SaverSurface> OpenFullScreenWindow(const Connection& c, const Settings& settings) {
  auto s = newSurface(c, settings);
  s->xdgSurface = xdg_wm_base_get_xdg_surface(c.wmBase, s->surface);
  xdg_surface_add_listener(s->xdgSurface, &kXdgSurfaceListener, s.get());
  s->toplevel = xdg_surface_get_toplevel(s->xdgSurface);
  xdg_toplevel_add_listener(s->toplevel, &kToplevelListener, s.get());
  xdg_toplevel_set_title(s->toplevel, "Flindra");
  xdg_toplevel_set_app_id(s->toplevel, "flindra");
  xdg_toplevel_set_fullscreen(s->toplevel, nullptr);
  // A first size until the compositor gives one: some (sway) make the
  // window full screen only once it shows a frame.
  const Output* first = c.outputs.empty() ? nullptr : c.outputs.front().get();
  const bool known = first != nullptr && first->width > 0 && first->height > 0;
  s->width = known ? first->width : 1280;
  s->height = known ? first->height : 720;
  wl_surface_commit(s->surface);
  return s;
}

bool WantsFrame(const SaverSurface& s, long beat) {
  // NOTE: a compositor busy with several outputs (sway drawing in software)
  // may answer a beat late; waiting for it would slow that output's flakes.
  return s.configured && !s.closed && (s.frameAsked == nullptr || beat - s.askedSinceBeat < 2);
}

bool DrawSaverFrame(const EglContext& egl, SaverSurface& s, const Settings& settings, const char* frameRate,
                    std::uint8_t opacity, long beat) {
  const int width = s.width * s.scale, height = s.height * s.scale;
  const bool first = s.egl.window == nullptr;
  if (!MakeWindowCurrent(egl, s.surface, width, height, s.egl)) return false;
  // The surfaces share one context: setting its scene again for a new one is harmless.
  if (first) SetupScene(width, height, width, height);
  else SetupProjection(width, height, width, height);
  DrawFrame(*s.field, settings);
  if (frameRate != nullptr) DrawFrameRateText(frameRate, 0, 0, width, height);
  // Premultiplied alpha: the colours scaled by the opacity, the alpha set to it.
  DimFrame(opacity);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_TRUE);
  glClearColor(0.0f, 0.0f, 0.0f, static_cast<GLfloat>(opacity) / 255.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  if (s.frameAsked != nullptr) wl_callback_destroy(s.frameAsked);
  else s.askedSinceBeat = beat;
  s.frameAsked = wl_surface_frame(s.surface);
  wl_callback_add_listener(s.frameAsked, &kFrameListener, &s);
  if (!eglSwapBuffers(egl.display, s.egl.surface)) return false;
  ++s.framesShown;
  s.lastShownBeat = beat;
  return true;
}

void CloseSaverSurface(const EglContext& egl, SaverSurface& s) {
  CloseEglWindow(egl, s.egl);
  if (s.frameAsked != nullptr) wl_callback_destroy(s.frameAsked);
  if (s.layer != nullptr) zwlr_layer_surface_v1_destroy(s.layer);
  if (s.toplevel != nullptr) xdg_toplevel_destroy(s.toplevel);
  if (s.xdgSurface != nullptr) xdg_surface_destroy(s.xdgSurface);
  wl_surface_destroy(s.surface);
  s.surface = nullptr;
}
