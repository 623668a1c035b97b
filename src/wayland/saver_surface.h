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
#include "wayland/drawn_surface.h"

struct zwlr_layer_surface_v1;
struct xdg_surface;
struct xdg_toplevel;
struct zwp_keyboard_shortcuts_inhibitor_v1;

// Its drawing (DrawnSurface: the wl_surface, scale, buffer, EGL window and
// frame pacing) and its role over one output.
struct SaverSurface : DrawnSurface {
  const Connection* connection = nullptr;
  Output* output = nullptr;  // the output it was opened to cover
  zwlr_layer_surface_v1* layer = nullptr;
  xdg_surface* xdgSurface = nullptr;
  xdg_toplevel* toplevel = nullptr;
  zwp_keyboard_shortcuts_inhibitor_v1* shortcutsInhibitor = nullptr;
  std::vector<Output*> entered;  // outputs the surface is on (wl_surface.enter), latest last
  int width = 0, height = 0;     // the compositor's size, logical pixels
  int preferredScale = 0;        // wl_surface.preferred_buffer_scale, 0 until sent
  int opaqueWidth = 0, opaqueHeight = 0;  // the opaque region set, logical pixels; 0 for none
  bool configured = false;
  bool closed = false;       // the compositor took it away
  bool windowClosed = false; // a full-screen window's close was asked for
  long openedBeat = 0;       // the beat it was opened on
  std::unique_ptr<FlakeField> field;
  int heldFlakes = -1;  // with the test seam's held frame: the flakes of the one frame shown; -1 when the field moves
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

// True when a frame may be drawn on this beat: configured, not closed, and
// due (FrameDue).
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
