// A surface that covers one output: a layer-shell surface on the overlay
// layer, or (where the compositor has no layer shell) one full-screen
// xdg_toplevel. Each has its own flake field, viewport and camera, and is
// drawn only when the compositor asks for a frame, so nothing is drawn while
// it is hidden.
#pragma once

#include <cstdint>
#include <memory>

#include "core/flakes.h"
#include "wayland/connection.h"
#include "wayland/egl_context.h"

struct zwlr_layer_surface_v1;
struct xdg_surface;
struct xdg_toplevel;

struct SaverSurface {
  Output* output = nullptr;  // none for the full-screen window
  wl_surface* surface = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
  xdg_surface* xdgSurface = nullptr;
  xdg_toplevel* toplevel = nullptr;
  wl_callback* frameAsked = nullptr;  // answered when the compositor wants the next frame
  long askedSinceBeat = 0;            // the beat of the oldest frame not yet answered
  int width = 0, height = 0;          // the compositor's size, logical pixels
  std::int32_t scale = 1;             // buffer pixels per logical pixel
  bool configured = false;
  bool closed = false;       // the compositor took it away
  bool windowClosed = false; // the full-screen window's close was asked for
  int framesShown = 0;
  long lastShownBeat = -1;   // the beat its last frame was drawn on
  EglWindow egl;
  std::unique_ptr<FlakeField> field;
};

// A layer surface on the overlay layer of that output, anchored to every
// edge, over any exclusive zone, taking the keyboard.
std::unique_ptr<SaverSurface> OpenLayerSurface(const Connection& c, Output& output, const Settings& settings);

// A full-screen xdg_toplevel on whichever output the compositor picks.
std::unique_ptr<SaverSurface> OpenFullScreenWindow(const Connection& c, const Settings& settings);

// True when a frame may be drawn on this beat: configured, not closed, and
// the compositor has asked for the next frame since the last was drawn, or
// is at most a beat late with it. Longer, the surface counts as hidden.
bool WantsFrame(const SaverSurface& s, long beat);

// Steps and draws the surface's field with the frame rate's text in its
// corner (none when null), fades it to opacity (0 shows only the desktop,
// 255 only the flakes) and hands the frame to the compositor.
// False when EGL refuses the surface.
bool DrawSaverFrame(const EglContext& egl, SaverSurface& s, const Settings& settings, const char* frameRate,
                    std::uint8_t opacity, long beat);

void CloseSaverSurface(const EglContext& egl, SaverSurface& s);
