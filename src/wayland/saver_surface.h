// A surface that covers one output: a layer-shell surface on the overlay
// layer, or (where the compositor has no layer shell) a full-screen
// xdg_toplevel asked for on that output. Each has its own flake field, viewport and camera, draws
// one device pixel per buffer pixel at the scale of the output it is on,
// takes every key while it has the keyboard (shortcuts inhibited), and is
// drawn only when the compositor asks for a frame, so nothing is drawn
// while it is hidden.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/flakes.h"
#include "wayland/connection.h"
#include "wayland/egl_context.h"
#include "wayland/surface_plan.h"

struct zwlr_layer_surface_v1;
struct xdg_surface;
struct xdg_toplevel;
struct wp_viewport;
struct wp_fractional_scale_v1;
struct zwp_keyboard_shortcuts_inhibitor_v1;

struct SaverSurface {
  const Connection* connection = nullptr;
  Output* output = nullptr;  // the output it was opened to cover
  wl_surface* surface = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
  xdg_surface* xdgSurface = nullptr;
  xdg_toplevel* toplevel = nullptr;
  wp_viewport* viewport = nullptr;                  // where the compositor offers wp_viewporter
  wp_fractional_scale_v1* fractionalScale = nullptr;  // where it offers wp_fractional_scale_v1
  zwp_keyboard_shortcuts_inhibitor_v1* shortcutsInhibitor = nullptr;
  wl_callback* frameAsked = nullptr;  // answered when the compositor wants the next frame
  FramePacing pacing;
  std::vector<Output*> entered;  // outputs the surface is on (wl_surface.enter), latest last
  int width = 0, height = 0;     // the compositor's size, logical pixels
  int preferredScale = 0;        // wl_surface.preferred_buffer_scale, 0 until sent
  int fractionalScale120 = 0;    // wp_fractional_scale_v1, 0 until sent
  BufferPlan plan;               // the buffer the last frame went out in
  int opaqueWidth = 0, opaqueHeight = 0;  // the opaque region set, logical pixels; 0 for none
  bool configured = false;
  bool closed = false;       // the compositor took it away
  bool windowClosed = false; // a full-screen window's close was asked for
  int framesShown = 0;
  long openedBeat = 0;       // the beat it was opened on
  EglWindow egl;
  std::unique_ptr<FlakeField> field;
  int heldFlakes = -1;  // with FLINDRA_HELD_FRAME: the flakes of the one frame shown; -1 when the field moves
};

// A layer surface on the overlay layer of that output, anchored to every
// edge, over any exclusive zone, taking the keyboard.
std::unique_ptr<SaverSurface> OpenLayerSurface(const Connection& c, Output& output, const Settings& settings);

// A full-screen xdg_toplevel asked for on that output.
std::unique_ptr<SaverSurface> OpenFullScreenWindow(const Connection& c, Output& output, const Settings& settings);

// Keys the desk binds (a launcher, the volume, Print) reach the saver and
// end it instead of acting behind it: asked once the surface has the
// keyboard, which is when compositors (sway) honour it.
void InhibitShortcuts(SaverSurface& s);

// What the compositor has said about the surface's size and scale, and the
// output it is on (the one it last entered, else the one it was opened for).
ScaleFacts ScaleFactsOf(const SaverSurface& s);

// True when a frame may be drawn on this beat: configured, not closed, and
// the compositor is not keeping it hidden (FramePacing), or its size or
// scale has changed since the last frame.
bool WantsFrame(const SaverSurface& s, long beat);

// Steps and draws the surface's field with the frame rate's text in its
// corner (none when null), fades it to opacity (0 shows only the desktop,
// 255 only the flakes; at 255 the surface is marked opaque, so the
// compositor stops blending the desktop under it) and hands the frame to the
// compositor. False when EGL refuses the surface.
bool DrawSaverFrame(const EglContext& egl, SaverSurface& s, const Settings& settings, const char* frameRate,
                    std::uint8_t opacity, long beat);

// An output gone: the surfaces no longer count it among those they are on.
void ForgetOutput(SaverSurface& s, const Output& output);

void CloseSaverSurface(const EglContext& egl, SaverSurface& s);
