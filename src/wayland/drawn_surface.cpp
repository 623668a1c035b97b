#include "wayland/drawn_surface.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"

namespace {

DrawnSurface& drawnOf(void* data) { return *static_cast<DrawnSurface*>(data); }

void fractionalScaleHandlePreferredScale(void* data, wp_fractional_scale_v1*, std::uint32_t scale120) {
  // PlanBuffer takes it as kMostScale at most; here it only has to fit.
  drawnOf(data).fractionalScale120 =
      static_cast<int>(std::min<std::uint32_t>(scale120, std::numeric_limits<int>::max()));
}

const wp_fractional_scale_v1_listener kFractionalScaleListener = {fractionalScaleHandlePreferredScale};

void frameHandleDone(void* data, wl_callback* callback, std::uint32_t) {
  wl_callback_destroy(callback);
  DrawnSurface& s = drawnOf(data);
  s.frameAsked = nullptr;
  s.pacing.answered();
}

const wl_callback_listener kFrameListener = {frameHandleDone};

}  // namespace

void FollowScale(DrawnSurface& s, wp_viewporter* viewporter, wp_fractional_scale_manager_v1* fractionalScales) {
  if (viewporter != nullptr) s.viewport = wp_viewporter_get_viewport(viewporter, s.surface);
  if (fractionalScales != nullptr) {
    s.fractionalScale = wp_fractional_scale_manager_v1_get_fractional_scale(fractionalScales, s.surface);
    wp_fractional_scale_v1_add_listener(s.fractionalScale, &kFractionalScaleListener, &s);
  }
}

BufferPlan PlanFor(const DrawnSurface& s, ScaleFacts facts) {
  facts.fractionalScale120 = s.fractionalScale120;
  facts.viewporter = s.viewport != nullptr;
  return PlanBuffer(facts);
}

bool FrameDue(const DrawnSurface& s, const BufferPlan& plan, long beat) {
  return s.pacing.due(beat) || plan != s.plan;
}

bool BeginFrame(const EglContext& egl, DrawnSurface& s, const BufferPlan& plan) {
  if (s.egl.window == nullptr || plan != s.plan) {
    wl_surface_set_buffer_scale(s.surface, plan.bufferScale);
    if (s.viewport != nullptr) {
      if (plan.viewport) wp_viewport_set_destination(s.viewport, plan.viewportWidth, plan.viewportHeight);
      else wp_viewport_set_destination(s.viewport, -1, -1);
    }
    s.plan = plan;
  }
  return MakeWindowCurrent(egl, s.surface, plan.width, plan.height, s.egl);
}

bool ShowFrame(const EglContext& egl, DrawnSurface& s, long beat) {
  if (s.frameAsked != nullptr) wl_callback_destroy(s.frameAsked);
  s.frameAsked = wl_surface_frame(s.surface);
  wl_callback_add_listener(s.frameAsked, &kFrameListener, &s);
  s.pacing.drawn(beat);
  if (!eglSwapBuffers(egl.display, s.egl.surface)) return false;
  ++s.framesShown;
  return true;
}

void CloseDrawnSurface(const EglContext& egl, DrawnSurface& s) {
  CloseEglWindow(egl, s.egl);
  if (s.frameAsked != nullptr) wl_callback_destroy(s.frameAsked);
  if (s.fractionalScale != nullptr) wp_fractional_scale_v1_destroy(s.fractionalScale);
  if (s.viewport != nullptr) wp_viewport_destroy(s.viewport);
  s.frameAsked = nullptr;
  s.fractionalScale = nullptr;
  s.viewport = nullptr;
}
