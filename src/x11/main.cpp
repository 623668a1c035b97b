// flindra for X11: the flake field drawn through GLX into a window of its
// own, a window someone else made (-window-id), or the root window or
// $XSCREENSAVER_WINDOW (-root), until a signal, the window or the display
// goes away.
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/fade.h"
#include "core/flakes.h"
#include "core/fpu.h"
#include "core/gl.h"
#include "core/scene.h"
#include "x11/options.h"

#ifndef FLINDRA_VERSION
#error "FLINDRA_VERSION comes from the build (the CMake project version)"
#endif

#if defined(__SANITIZE_ADDRESS__)
// Mesa and Xlib keep per-process state until exit; only our leaks count.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libGLX_mesa.so\nleak:libglapi.so\nleak:libX11.so\nleak:swrast_dri.so\nleak:libLLVM\n";
}
#endif

namespace {

constexpr int kOwnWidth = 1280;  // pixels, the window of its own
constexpr int kOwnHeight = 720;

// ---- Signals: the handler only writes a byte the frame wait polls for. -----

int signalPipe[2] = {-1, -1};
volatile sig_atomic_t stopRequested = 0;

extern "C" void onSignal(int) {
  stopRequested = 1;
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(signalPipe[1], &byte, 1);
  errno = saved;
}

bool installSignalPipe() {
  if (pipe(signalPipe) != 0) return false;
  for (const int fd : signalPipe) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  return sigaction(SIGTERM, &action, nullptr) == 0 && sigaction(SIGINT, &action, nullptr) == 0;
}

// ---- X errors: the drawn window going away ends the program. --------------

Window watchedWindow = 0;    // the window we draw into
bool watchedWindowGone = false;
int lastErrorCode = 0;       // for the checks made at start-up

extern "C" int onXError(Display*, XErrorEvent* error) {
  // NOTE: no Xlib calls in here; the loop looks at the flags.
  lastErrorCode = error->error_code;
  if (watchedWindow != 0 && error->resourceid == watchedWindow) watchedWindowGone = true;
  return 0;
}

// The connection is gone (the server ended or the host closed it): nothing
// is left to draw on, which is a normal end for a saver.
extern "C" int onXIOError(Display*) {
  std::fflush(stderr);
  _exit(0);
}

[[noreturn]] void fail(const std::string& line) {
  std::fprintf(stderr, "flindra: %s\n", line.c_str());
  std::exit(1);
}

std::string hex(unsigned long id) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%lx", id);
  return text;
}

double secondsNow() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// ---- The surface: a window, its GLX visual and context. ---------------------

struct Surface {
  Display* display = nullptr;
  Window window = 0;
  bool own = false;           // made by us: fade, close box and keys are ours
  bool doubleBuffered = true;
  int width = 0, height = 0;  // pixels
  GLXContext context = nullptr;
  Atom deleteWindow = None;
  Atom opacity = None;
};

// The window an option names: checked to exist now, so a wrong id gets a
// clear line instead of a silent end.
Window hostWindow(Display* display, const Options& options) {
  if (options.target == DrawTarget::GivenWindow) return options.windowId;
  const char* fromHost = std::getenv("XSCREENSAVER_WINDOW");
  if (fromHost != nullptr && *fromHost != '\0') {
    const auto id = ParseWindowId(fromHost);
    if (!id || *id == 0) fail(WindowIdError("XSCREENSAVER_WINDOW", fromHost));
    return *id;
  }
  return DefaultRootWindow(display);
}

XVisualInfo* visualOfWindow(Display* display, Window window, XWindowAttributes& attributes) {
  lastErrorCode = 0;
  const Status ok = XGetWindowAttributes(display, window, &attributes);
  XSync(display, False);
  if (ok == 0 || lastErrorCode != 0) fail("window " + hex(window) + " does not exist");
  XVisualInfo wanted{};
  wanted.visualid = XVisualIDFromVisual(attributes.visual);
  int found = 0;
  XVisualInfo* info = XGetVisualInfo(display, VisualIDMask, &wanted, &found);
  int useGl = 0, rgba = 0;
  if (info == nullptr || glXGetConfig(display, info, GLX_USE_GL, &useGl) != 0 || !useGl ||
      glXGetConfig(display, info, GLX_RGBA, &rgba) != 0 || !rgba)
    fail("window " + hex(window) + " has no OpenGL (GLX RGBA) visual");
  return info;
}

XVisualInfo* chooseOwnVisual(Display* display) {
  int withDepth[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1, GLX_BLUE_SIZE, 1,
                     GLX_DEPTH_SIZE, 16, None};
  XVisualInfo* info = glXChooseVisual(display, DefaultScreen(display), withDepth);
  if (info != nullptr) return info;
  int without[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1, GLX_BLUE_SIZE, 1, None};
  info = glXChooseVisual(display, DefaultScreen(display), without);
  if (info == nullptr) fail("no double-buffered RGBA GLX visual on display " + Quoted(DisplayString(display)));
  return info;
}

void makeOwnWindow(Surface& s, XVisualInfo* visual) {
  Display* d = s.display;
  const Window root = RootWindow(d, visual->screen);
  XSetWindowAttributes attributes{};
  attributes.colormap = XCreateColormap(d, root, visual->visual, AllocNone);
  attributes.background_pixel = 0;
  attributes.border_pixel = 0;
  attributes.event_mask = StructureNotifyMask | KeyPressMask;
  s.window = XCreateWindow(d, root, 0, 0, kOwnWidth, kOwnHeight, 0, visual->depth, InputOutput, visual->visual,
                           CWColormap | CWBackPixel | CWBorderPixel | CWEventMask, &attributes);
  s.width = kOwnWidth;
  s.height = kOwnHeight;
  XStoreName(d, s.window, "Flindra");
  XClassHint classHint{};
  char name[] = "flindra", className[] = "Flindra";
  classHint.res_name = name;
  classHint.res_class = className;
  XSetClassHint(d, s.window, &classHint);
  s.deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(d, s.window, &s.deleteWindow, 1);
  s.opacity = XInternAtom(d, "_NET_WM_WINDOW_OPACITY", False);
}

// The fade's opacity byte as the 32-bit cardinal compositors read
// (0 transparent .. 0xFFFFFFFF opaque).
void setOpacity(const Surface& s, std::uint8_t byte) {
  const unsigned long cardinal = static_cast<unsigned long>(byte) * 0x01010101ul;
  XChangeProperty(s.display, s.window, s.opacity, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&cardinal), 1);
}

Surface openSurface(const Options& options) {
  Surface s;
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') fail("no display: DISPLAY is not set");
  s.display = XOpenDisplay(name);
  if (s.display == nullptr) fail("cannot open display " + Quoted(name));
  XSetErrorHandler(onXError);
  XSetIOErrorHandler(onXIOError);
  int errorBase = 0, eventBase = 0;
  if (!glXQueryExtension(s.display, &errorBase, &eventBase))
    fail("display " + Quoted(name) + " has no GLX (OpenGL) extension");

  XVisualInfo* visual = nullptr;
  if (options.target == DrawTarget::OwnWindow) {
    visual = chooseOwnVisual(s.display);
    makeOwnWindow(s, visual);
    s.own = true;
  } else {
    s.window = hostWindow(s.display, options);
    XWindowAttributes attributes{};
    visual = visualOfWindow(s.display, s.window, attributes);
    s.width = attributes.width;
    s.height = attributes.height;
    // Our own mask on the host's window: its size and its end.
    XSelectInput(s.display, s.window, StructureNotifyMask);
  }
  int doubleBuffer = 0;
  glXGetConfig(s.display, visual, GLX_DOUBLEBUFFER, &doubleBuffer);
  s.doubleBuffered = doubleBuffer != 0;
  s.context = glXCreateContext(s.display, visual, nullptr, True);
  XFree(visual);
  if (s.context == nullptr) fail("cannot create an OpenGL context");
  watchedWindow = s.window;
  if (s.own) XMapWindow(s.display, s.window);
  if (!glXMakeCurrent(s.display, s.window, s.context)) fail("cannot draw into window " + hex(s.window));
  XSync(s.display, False);
  if (watchedWindowGone) fail("window " + hex(s.window) + " went away at start-up");
  return s;
}

// The own window goes at once; the context and the connection end with the
// process. NOTE: closing the display unloads Mesa's driver, whose
// allocations would then show as leaks of an unknown module.
void closeSurface(Surface& s) {
  glXMakeCurrent(s.display, None, nullptr);
  if (s.own) XDestroyWindow(s.display, s.window);
  XSync(s.display, False);
}

// Handles the queued events; false when the program should end.
bool handleEvents(Surface& s, bool& resized) {
  while (XPending(s.display) > 0) {
    XEvent event;
    XNextEvent(s.display, &event);
    switch (event.type) {
      case ConfigureNotify:
        if (event.xconfigure.window == s.window &&
            (event.xconfigure.width != s.width || event.xconfigure.height != s.height)) {
          s.width = event.xconfigure.width;
          s.height = event.xconfigure.height;
          resized = true;
        }
        break;
      case DestroyNotify:
        if (event.xdestroywindow.window == s.window) {
          watchedWindowGone = true;
          return false;
        }
        break;
      case ClientMessage:
        if (s.own && static_cast<Atom>(event.xclient.data.l[0]) == s.deleteWindow) return false;
        break;
      case KeyPress:
        if (s.own) {
          const KeySym key = XLookupKeysym(&event.xkey, 0);
          if (key == XK_Escape || key == XK_q || key == XK_Q) return false;
        }
        break;
      default:
        break;
    }
  }
  return !watchedWindowGone;
}

// Waits for the X connection, a signal or the deadline; true on a signal.
bool waitUntil(const Surface& s, double deadline) {
  pollfd fds[2] = {{ConnectionNumber(s.display), POLLIN, 0}, {signalPipe[0], POLLIN, 0}};
  const double left = deadline - secondsNow();
  timespec timeout{};
  if (left > 0) {
    timeout.tv_sec = static_cast<time_t>(left);
    timeout.tv_nsec = static_cast<long>((left - static_cast<double>(timeout.tv_sec)) * 1e9);
  }
  if (ppoll(fds, 2, &timeout, nullptr) > 0 && (fds[1].revents & POLLIN) != 0) return true;
  return false;
}

int run(const Options& options) {
  if (!installSignalPipe()) fail("cannot install the signal handlers");
  Surface s = openSurface(options);
  const bool reportFirstFrame = std::getenv("FLINDRA_REPORT_FIRST_FRAME") != nullptr;

  auto field = std::make_unique<FlakeField>();
  auto vertices = std::make_unique<FlakeVertices>();
  SeedFlakeTable(*field);
  field->SwayStep = FirstSwayStep(options.settings.Fast);
  SetupScene(s.width, s.height, s.width, s.height);

  double fadeLevel = 0;
  int opacityShown = -1;  // none set yet
  const double delay = static_cast<double>(options.delayUs) * 1e-6;
  double next = secondsNow();
  double fpsSince = next;
  int fpsFrames = 0;
  bool first = true;
  for (;;) {
    bool resized = false;
    if (stopRequested || !handleEvents(s, resized)) break;
    if (resized) SetupProjection(s.width, s.height, s.width, s.height);
    const double now = secondsNow();
    if (now >= next) {
      if (s.own) {
        const std::uint8_t byte = OpacityByte(options.settings.Bright, fadeLevel);
        if (byte != opacityShown) {
          setOpacity(s, byte);
          opacityShown = byte;
        }
        fadeLevel = NextFadeLevel(fadeLevel);
      }
      DrawFrameWithArrays(*field, options.settings, *vertices);
      if (s.doubleBuffered) glXSwapBuffers(s.display, s.window);
      else glFlush();
      if (first && reportFirstFrame) {
        XSync(s.display, False);
        std::fprintf(stderr, "flindra: first frame\n");
      }
      first = false;
      ++fpsFrames;
      if (options.fps && now - fpsSince >= 1.0) {
        std::fprintf(stderr, "flindra: %.1f frames per second\n", fpsFrames / (now - fpsSince));
        fpsSince = now;
        fpsFrames = 0;
      }
      // A fixed beat; after a stall (a suspended process) start afresh.
      next += delay;
      if (next < now) next = now + delay;
      continue;  // the swap may have queued events
    }
    if (waitUntil(s, next)) break;
  }
  // The window already gone: nothing of ours to clean up on the server.
  if (!watchedWindowGone) closeSurface(s);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  MaskFloatingPointExceptions();
  std::vector<std::string_view> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  const ParsedOptions parsed = ParseOptions(args);
  if (!parsed.error.empty()) {
    std::fprintf(stderr, "%s\n", parsed.error.c_str());
    return 1;
  }
  switch (parsed.options.action) {
    case OptionsAction::Help:
      std::fputs(HelpText().c_str(), stdout);
      return 0;
    case OptionsAction::Version:
      std::printf("flindra %s\n", FLINDRA_VERSION);
      return 0;
    case OptionsAction::Run:
      break;
  }
  return run(parsed.options);
}
