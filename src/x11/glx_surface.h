// The GLX surface: the window flindra draws into (one of its own, one a host
// made, or the root), its visual and context, and the parts of it that each
// get a flake field of their own.
#pragma once

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/monitors.h"
#include "x11/options.h"

struct GlxSurface {
  Display* display = nullptr;
  Window window = 0;
  bool own = false;             // made by us: fade, close box and keys are ours
  bool screenRoot = false;      // a screen's root window: one field per monitor
  int randrEventBase = -1;      // RandR's first event on a screen's root; -1 without
  bool doubleBuffered = true;
  int width = 0, height = 0;    // pixels
  GLXContext context = nullptr;
  Atom deleteWindow = None;
  Atom opacity = None;
};

// Ends the program with 0: the host's window, once taken, went away, which
// is how a host ends its saver.
[[noreturn]] void EndWithHostWindow();

// Opens the display and the window the options name and makes a context
// current on it. A window that does not exist, cannot be drawn in or has no
// OpenGL visual ends the program with one line.
GlxSurface OpenGlxSurface(const Options& options);

// Releases the context and our own window; the connection ends with the
// process. NOTE: closing the display unloads Mesa's driver, whose
// allocations would then show as leaks of an unknown module.
void CloseGlxSurface(GlxSurface& s);

// The fade's opacity byte on our own window, as the 32-bit cardinal
// compositors read (0 transparent .. 0xFFFFFFFF opaque).
void SetWindowOpacity(const GlxSurface& s, std::uint8_t byte);

// Shows the frame drawn: a buffer swap, or a flush when single-buffered.
void PresentFrame(const GlxSurface& s);

// The parts of the window that each get a flake field, from its top-left
// corner: one per monitor (RandR, the primary first) on a screen's root,
// else the whole window. On a screen's root RandR tells of every change of
// its monitors (randrEventBase), also of those that keep the root's size.
std::vector<ScreenRect> FieldAreas(const GlxSurface& s);

// Whether the window is still there, asked inside an error trap.
bool WindowExists(const GlxSurface& s);
