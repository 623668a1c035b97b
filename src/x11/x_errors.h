// X errors. The calls that may fail (a window that may not exist, a visual
// that may not draw) run inside an XErrorTrap; any other error is kept for
// the frame loop, which reports it instead of taking it for the window's end.
#pragma once

#include <X11/Xlib.h>

#include <string>

// Puts our handlers in place of Xlib's, which print and exit.
void InstallXErrorHandlers();

// Catches the errors of the requests made while it lives.
class XErrorTrap {
 public:
  explicit XErrorTrap(Display* display);
  ~XErrorTrap();
  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;
  // Waits for the server to answer what was sent; the first error code
  // caught since the trap was set, 0 for none.
  int error();

 private:
  Display* display_;
};

// The first error that came outside a trap since the last call; false when
// none did.
bool TakeUnexpectedXError(XErrorEvent& error);

// One line about an error: its name, the request and the resource.
std::string XErrorLine(Display* display, const XErrorEvent& error);
