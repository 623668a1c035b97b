#include "x11/x_errors.h"

#include <unistd.h>

#include <cstdio>

namespace {

bool trapping = false;
int trappedCode = 0;
bool unexpectedPending = false;
XErrorEvent unexpected{};

// NOTE: no Xlib requests in here; the flags are looked at later.
extern "C" int onXError(Display*, XErrorEvent* error) {
  if (trapping) {
    if (trappedCode == 0) trappedCode = error->error_code;
  } else if (!unexpectedPending) {
    unexpected = *error;
    unexpectedPending = true;
  }
  return 0;
}

// The connection is gone (the server ended or the host closed it): nothing
// is left to draw on, which is a normal end for a saver.
extern "C" int onXIOError(Display*) {
  std::fflush(stderr);
  _exit(0);
}

}  // namespace

void InstallXErrorHandlers() {
  XSetErrorHandler(onXError);
  XSetIOErrorHandler(onXIOError);
}

XErrorTrap::XErrorTrap(Display* display) : display_(display) {
  XSync(display_, False);  // earlier requests' errors are not this trap's
  trapping = true;
  trappedCode = 0;
}

XErrorTrap::~XErrorTrap() {
  XSync(display_, False);
  trapping = false;
}

int XErrorTrap::error() {
  XSync(display_, False);
  return trappedCode;
}

bool TakeUnexpectedXError(XErrorEvent& error) {
  if (!unexpectedPending) return false;
  error = unexpected;
  unexpectedPending = false;
  return true;
}

std::string XErrorLine(Display* display, const XErrorEvent& error) {
  char name[120] = "";
  XGetErrorText(display, error.error_code, name, sizeof name);
  char line[240];
  std::snprintf(line, sizeof line, "X error %s (request %u.%u, resource 0x%lx)", name,
                static_cast<unsigned>(error.request_code), static_cast<unsigned>(error.minor_code), error.resourceid);
  return line;
}
