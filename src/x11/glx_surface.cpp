#include "x11/glx_surface.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>

#include <cstdio>
#include <cstdlib>

#include "core/options.h"
#include "posix/process.h"
#include "x11/x_errors.h"

namespace {

constexpr int kOwnWidth = 1280;  // pixels, the window of its own
constexpr int kOwnHeight = 720;

std::string hex(unsigned long id) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%lx", id);
  return text;
}

// The window an option names.
Window hostWindow(Display* display, const Options& options) {
  if (options.target == DrawTarget::GivenWindow) return options.windowId;
  const char* fromHost = std::getenv("XSCREENSAVER_WINDOW");
  if (fromHost != nullptr && *fromHost != '\0') {
    const auto id = ParseWindowId(fromHost);
    if (!id || *id == 0) Fail(WindowIdError("XSCREENSAVER_WINDOW", fromHost));
    return *id;
  }
  return DefaultRootWindow(display);
}

// The visual of a window someone else made, checked now so a wrong window
// gets a clear line instead of a silent end.
XVisualInfo* visualOfWindow(Display* display, Window window, XWindowAttributes& attributes) {
  {
    XErrorTrap trap(display);
    const Status ok = XGetWindowAttributes(display, window, &attributes);
    if (trap.error() != 0 || ok == 0) Fail("window " + hex(window) + " does not exist");
  }
  if (attributes.c_class == InputOnly)
    Fail("window " + hex(window) + " is input-only: nothing can be drawn in it");
  XVisualInfo wanted{};
  wanted.visualid = XVisualIDFromVisual(attributes.visual);
  int found = 0;
  XVisualInfo* info = XGetVisualInfo(display, VisualIDMask, &wanted, &found);
  int useGl = 0, rgba = 0;
  if (info == nullptr || glXGetConfig(display, info, GLX_USE_GL, &useGl) != 0 || !useGl ||
      glXGetConfig(display, info, GLX_RGBA, &rgba) != 0 || !rgba)
    Fail("window " + hex(window) + " has no OpenGL (GLX RGBA) visual");
  return info;
}

XVisualInfo* chooseOwnVisual(Display* display) {
  int withDepth[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1, GLX_BLUE_SIZE, 1,
                     GLX_DEPTH_SIZE, 16, None};
  XVisualInfo* info = glXChooseVisual(display, DefaultScreen(display), withDepth);
  if (info != nullptr) return info;
  int without[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1, GLX_BLUE_SIZE, 1, None};
  info = glXChooseVisual(display, DefaultScreen(display), without);
  if (info == nullptr)
    Fail("no double-buffered RGBA GLX visual on display " + Quoted(DisplayString(display)));
  return info;
}

void makeOwnWindow(GlxSurface& s, XVisualInfo* visual) {
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

}  // namespace

void EndWithHostWindow() { std::exit(0); }

GlxSurface OpenGlxSurface(const Options& options) {
  GlxSurface s;
  const char* name = options.display.empty() ? std::getenv("DISPLAY") : options.display.c_str();
  if (name == nullptr || *name == '\0') Fail("no display: DISPLAY is not set");
  s.display = XOpenDisplay(name);
  if (s.display == nullptr) Fail("cannot open display " + Quoted(name));
  InstallXErrorHandlers();
  int errorBase = 0, eventBase = 0;
  if (!glXQueryExtension(s.display, &errorBase, &eventBase))
    Fail("display " + Quoted(name) + " has no GLX (OpenGL) extension");

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
    s.screenRoot = s.window == attributes.root;
    // Our own mask on the host's window: its size and its end. From here on
    // the window is ours to draw in, and its going away is the host's way
    // to end us.
    XErrorTrap trap(s.display);
    XSelectInput(s.display, s.window, StructureNotifyMask);
    if (trap.error() != 0) {
      XFree(visual);
      EndWithHostWindow();
    }
    int randrErrorBase = 0;
    if (s.screenRoot && XRRQueryExtension(s.display, &s.randrEventBase, &randrErrorBase))
      XRRSelectInput(s.display, s.window, RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    else
      s.randrEventBase = -1;
  }
  int doubleBuffer = 0;
  glXGetConfig(s.display, visual, GLX_DOUBLEBUFFER, &doubleBuffer);
  s.doubleBuffered = doubleBuffer != 0;
  s.context = glXCreateContext(s.display, visual, nullptr, True);
  XFree(visual);
  if (s.context == nullptr) Fail("cannot create an OpenGL context");
  if (s.own) XMapWindow(s.display, s.window);
  XErrorTrap trap(s.display);
  if (!glXMakeCurrent(s.display, s.window, s.context) || trap.error() != 0) {
    if (!s.own && !WindowExists(s)) EndWithHostWindow();
    Fail("cannot draw into window " + hex(s.window));
  }
  return s;
}

void CloseGlxSurface(GlxSurface& s) {
  XErrorTrap trap(s.display);  // a host's window may be gone by now
  glXMakeCurrent(s.display, None, nullptr);
  if (s.own) XDestroyWindow(s.display, s.window);
}

void SetWindowOpacity(const GlxSurface& s, std::uint8_t byte) {
  const unsigned long cardinal = static_cast<unsigned long>(byte) * 0x01010101ul;
  XChangeProperty(s.display, s.window, s.opacity, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&cardinal), 1);
}

void PresentFrame(const GlxSurface& s) {
  if (s.doubleBuffered) glXSwapBuffers(s.display, s.window);
  else glFlush();
}

std::vector<ScreenRect> FieldAreas(const GlxSurface& s) {
  const ScreenRect whole{0, 0, s.width, s.height};
  if (s.randrEventBase < 0) return {whole};
  int count = 0;
  XRRMonitorInfo* found = XRRGetMonitors(s.display, s.window, True, &count);
  std::vector<MonitorInfo> monitors;
  for (int i = 0; i < count; ++i)
    monitors.push_back({found[i].x, found[i].y, found[i].x + found[i].width, found[i].y + found[i].height,
                        found[i].primary != 0});
  if (found != nullptr) XRRFreeMonitors(found);
  std::vector<ScreenRect> areas;
  for (const SaverWindowPlan& plan : SaverWindowsForMonitors(monitors)) areas.push_back(plan.rect);
  if (areas.empty()) areas.push_back(whole);
  return areas;
}

bool WindowExists(const GlxSurface& s) {
  XErrorTrap trap(s.display);
  XWindowAttributes attributes{};
  const Status ok = XGetWindowAttributes(s.display, s.window, &attributes);
  return trap.error() == 0 && ok != 0;
}
