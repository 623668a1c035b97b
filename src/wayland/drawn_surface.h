// The drawing side of a wl_surface that shows flakes, whatever its role
// (a saver's layer surface or full-screen window, the settings window's
// preview): its scale as the compositor tells it (wp_fractional_scale_v1
// with wp_viewporter, where offered), the buffer planned for it
// (surface_plan), its EGL window, and frames paced by frame callbacks, so
// nothing is drawn while the compositor keeps it hidden. The role makes
// the wl_surface and destroys it after CloseDrawnSurface.
#pragma once

#include <wayland-client.h>

#include "wayland/egl_context.h"
#include "wayland/surface_plan.h"

struct wp_viewporter;
struct wp_viewport;
struct wp_fractional_scale_manager_v1;
struct wp_fractional_scale_v1;

struct DrawnSurface {
  wl_surface* surface = nullptr;
  wp_viewport* viewport = nullptr;                    // where the compositor offers wp_viewporter
  wp_fractional_scale_v1* fractionalScale = nullptr;  // where it offers wp_fractional_scale_v1
  int fractionalScale120 = 0;                         // its preferred scale in 120ths; 0 until told
  wl_callback* frameAsked = nullptr;                  // answered when the compositor wants the next frame
  FramePacing pacing;
  BufferPlan plan;  // the buffer the last frame went out in
  EglWindow egl;
  int framesShown = 0;
};

// Follows the surface's scale through what the compositor offers; either
// may be null (not offered).
void FollowScale(DrawnSurface& s, wp_viewporter* viewporter, wp_fractional_scale_manager_v1* fractionalScales);

// The buffer for what the role knows (the surface's logical size, its
// output) and what the surface itself was told of its scale.
BufferPlan PlanFor(const DrawnSurface& s, ScaleFacts facts);

// True when a frame may be drawn in plan on this beat: the compositor is
// not keeping the surface hidden (FramePacing), or plan differs from the
// last frame's. A new size or scale is drawn at once: a compositor may hold
// back the frame it was asked for while it changes an output's mode, and
// answer it only when the surface next changes, which would be never.
bool FrameDue(const DrawnSurface& s, const BufferPlan& plan, long beat);

// Sets the surface up for plan where it changed (buffer scale, viewport)
// and makes its EGL window of the plan's size current. False when EGL
// refuses.
bool BeginFrame(const EglContext& egl, DrawnSurface& s, const BufferPlan& plan);

// Asks for the next frame and hands the compositor this one, never waiting.
// False when EGL refuses.
bool ShowFrame(const EglContext& egl, DrawnSurface& s, long beat);

// Lets go of everything but the wl_surface.
void CloseDrawnSurface(const EglContext& egl, DrawnSurface& s);
