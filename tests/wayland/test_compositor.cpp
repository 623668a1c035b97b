// test_compositor: a Wayland compositor for flindra-wayland's tests, for the
// paths sway cannot drive. It shows nothing. It offers wl_compositor, wl_shm,
// one wl_output per simulated output, the wlr layer shell, wp_viewporter and
// wp_fractional_scale_v1, takes commands on standard input, one a line:
//   output add NAME WxH [scale N]  an output of WxH logical pixels
//   output scale NAME N            wl_output.scale N (the mode follows), then done
//   output fractional NAME N       wp_fractional_scale_v1.preferred_scale N (120ths)
//   output remove NAME             its layer surfaces closed, then its global removed
//   output hide NAME | show NAME   its surfaces' frame callbacks held (a monitor off) or answered
//   close-layer NAME               its layer surfaces closed; the output stays
//   quit                           (or the end of input) every client let go, exit 0
// and writes what a person would see on standard output, one line a thing:
//   socket NAME                    where clients connect (in $XDG_RUNTIME_DIR)
//   ok COMMAND | error WHY: LINE   each command done or refused
//   client connected | client disconnected
//   surface N created | surface N destroyed | layer N on NAME | configure N WxH | closed N
//   commit N output NAME size WxH buffer WxH|none scale S viewport WxH|none opaque yes|no lit COUNT
// On a commit: the output its layer surface is on, the surface's size in
// logical pixels (the viewport's destination, else the buffer's size over its
// scale), the wl_shm buffer's size in pixels, its buffer scale, the
// viewport's destination, whether the opaque region covers the whole surface,
// and how many pixels are lit (neither black nor transparent). Frame
// callbacks are answered on commit, so the client draws on its own beat.
#include <signal.h>
#include <time.h>
#include <unistd.h>
#include <wayland-server.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "fractional-scale-v1-server-protocol.h"
#include "viewporter-server-protocol.h"
#include "wlr-layer-shell-unstable-v1-server-protocol.h"

namespace {

void say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void say(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::putchar('\n');
  std::fflush(stdout);
}

struct Output {
  std::string name;
  int width = 0, height = 0;     // logical pixels
  int x = 0;                     // outputs stand side by side
  std::int32_t scale = 1;        // wl_output.scale
  std::uint32_t fractional = 0;  // preferred scale in 120ths; 0 until told
  wl_global* global = nullptr;
  std::vector<wl_resource*> bound;
  bool removed = false;
  bool hidden = false;  // its surfaces' frame callbacks are held, as for a monitor switched off
};

// A region as the client built it: rectangles added and taken away, in order.
struct RegionPart {
  bool add;
  std::int64_t x, y, width, height;
};
using Region = std::vector<RegionPart>;

// True when the region covers all of [0, width) x [0, height): every cell
// between the rectangles' edges is checked once.
bool Covers(const Region& region, std::int64_t width, std::int64_t height) {
  if (width <= 0 || height <= 0) return false;
  std::vector<std::int64_t> xs{0, width}, ys{0, height};
  for (const RegionPart& p : region) {
    for (std::int64_t x : {p.x, p.x + p.width}) xs.push_back(std::clamp<std::int64_t>(x, 0, width));
    for (std::int64_t y : {p.y, p.y + p.height}) ys.push_back(std::clamp<std::int64_t>(y, 0, height));
  }
  for (auto* edges : {&xs, &ys}) {
    std::sort(edges->begin(), edges->end());
    edges->erase(std::unique(edges->begin(), edges->end()), edges->end());
  }
  for (std::size_t i = 0; i + 1 < xs.size(); ++i)
    for (std::size_t j = 0; j + 1 < ys.size(); ++j) {
      bool inside = false;
      for (const RegionPart& p : region)
        if (xs[i] >= p.x && xs[i] < p.x + p.width && ys[j] >= p.y && ys[j] < p.y + p.height) inside = p.add;
      if (!inside) return false;
    }
  return true;
}

struct Compositor;
struct Surface;

// A listener with the surface it belongs to; the listener comes first, so a
// pointer to it is a pointer to the whole.
struct BufferWatch {
  wl_listener listener;
  Surface* surface;
};

struct Surface {
  Compositor* compositor = nullptr;
  unsigned id = 0;
  wl_resource* resource = nullptr;
  // What the next commit applies; it stays as set until set again.
  bool attached = false;
  wl_resource* pendingBuffer = nullptr;
  BufferWatch pendingBufferWatch{};
  std::int32_t pendingScale = 1;
  Region pendingOpaque;
  int pendingViewportWidth = -1, pendingViewportHeight = -1;
  wl_list frames{};  // wl_callback resources asked for since the last commit
  // What the last commit showed.
  bool hasBuffer = false;
  int bufferWidth = 0, bufferHeight = 0;
  long lit = 0;
  std::int32_t scale = 1;
  Region opaque;
  int viewportWidth = -1, viewportHeight = -1;
  // Roles and extensions.
  wl_resource* layer = nullptr;
  Output* output = nullptr;
  bool configureSent = false;
  bool mapped = false;
  bool closed = false;
  wl_resource* viewport = nullptr;
  wl_resource* fractional = nullptr;
};

struct Compositor {
  wl_display* display = nullptr;
  std::vector<std::unique_ptr<Output>> outputs;
  std::vector<std::unique_ptr<Surface>> surfaces;
  unsigned surfacesMade = 0;
  std::string input;  // a command line not ended yet
};

Surface* surfaceOf(wl_resource* r) { return static_cast<Surface*>(wl_resource_get_user_data(r)); }
Output& outputOf(wl_resource* r) { return *static_cast<Output*>(wl_resource_get_user_data(r)); }
void destroyResource(wl_client*, wl_resource* r) { wl_resource_destroy(r); }

Output* findOutput(Compositor& c, const std::string& name) {
  for (const auto& o : c.outputs)
    if (o->name == name && !o->removed) return o.get();
  return nullptr;
}

// ---- Buffers --------------------------------------------------------------

// Pixels neither black nor (where the format has alpha) transparent.
long LitPixels(wl_shm_buffer* shm) {
  const bool alpha = wl_shm_buffer_get_format(shm) == WL_SHM_FORMAT_ARGB8888;
  const int width = wl_shm_buffer_get_width(shm), height = wl_shm_buffer_get_height(shm);
  const auto stride = static_cast<std::size_t>(wl_shm_buffer_get_stride(shm));
  long lit = 0;
  wl_shm_buffer_begin_access(shm);
  const auto* data = static_cast<const unsigned char*>(wl_shm_buffer_get_data(shm));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint32_t pixel = 0;
      std::memcpy(&pixel, data + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 4, 4);
      if ((pixel & 0xFFFFFFu) != 0 && (!alpha || (pixel >> 24) != 0)) ++lit;
    }
  wl_shm_buffer_end_access(shm);
  return lit;
}

void forgetPendingBuffer(Surface& s) {
  if (s.pendingBuffer != nullptr) wl_list_remove(&s.pendingBufferWatch.listener.link);
  s.pendingBuffer = nullptr;
}

// ---- wl_surface -----------------------------------------------------------

void sendPreferredScale(Surface& s) {
  if (s.fractional != nullptr && s.output != nullptr && s.output->fractional != 0)
    wp_fractional_scale_v1_send_preferred_scale(s.fractional, s.output->fractional);
}

std::uint32_t msNow() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::uint32_t>(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

// The compositor wants the surface's next frame.
void answerFrames(Surface& s) {
  while (wl_list_empty(&s.frames) == 0) {
    wl_resource* done = wl_resource_from_link(s.frames.next);
    wl_callback_send_done(done, msNow());
    wl_resource_destroy(done);
  }
}

void commit(wl_client* client, wl_resource* r) {
  Surface& s = *surfaceOf(r);
  if (s.attached) {
    s.hasBuffer = s.pendingBuffer != nullptr;
    if (s.hasBuffer) {
      wl_shm_buffer* shm = wl_shm_buffer_get(s.pendingBuffer);
      if (shm == nullptr) {
        wl_client_post_implementation_error(client, "the test compositor takes only wl_shm buffers");
        return;
      }
      s.bufferWidth = wl_shm_buffer_get_width(shm);
      s.bufferHeight = wl_shm_buffer_get_height(shm);
      s.lit = LitPixels(shm);
      wl_buffer_send_release(s.pendingBuffer);
    }
    forgetPendingBuffer(s);
    s.attached = false;
  }
  s.scale = s.pendingScale;
  s.opaque = s.pendingOpaque;
  s.viewportWidth = s.pendingViewportWidth;
  s.viewportHeight = s.pendingViewportHeight;

  const bool viewed = s.viewportWidth > 0;
  const int logicalWidth = viewed ? s.viewportWidth : s.bufferWidth / s.scale;
  const int logicalHeight = viewed ? s.viewportHeight : s.bufferHeight / s.scale;
  char buffer[32] = "none", viewport[32] = "none";
  if (s.hasBuffer) std::snprintf(buffer, sizeof buffer, "%dx%d", s.bufferWidth, s.bufferHeight);
  if (viewed) std::snprintf(viewport, sizeof viewport, "%dx%d", s.viewportWidth, s.viewportHeight);
  say("commit %u output %s size %dx%d buffer %s scale %d viewport %s opaque %s lit %ld", s.id,
      s.output != nullptr ? s.output->name.c_str() : "none", logicalWidth, logicalHeight, buffer, s.scale, viewport,
      s.hasBuffer && Covers(s.opaque, logicalWidth, logicalHeight) ? "yes" : "no", s.hasBuffer ? s.lit : 0L);

  // A layer surface asks for its size by a commit without a buffer: the
  // first, and the first after a null buffer unmapped it.
  if (s.hasBuffer) {
    s.mapped = true;
  } else if (s.mapped) {
    s.mapped = false;
    s.configureSent = false;
  }
  if (s.layer != nullptr && !s.closed && !s.hasBuffer && !s.configureSent) {
    s.configureSent = true;
    zwlr_layer_surface_v1_send_configure(s.layer, wl_display_next_serial(s.compositor->display),
                                         static_cast<std::uint32_t>(s.output->width),
                                         static_cast<std::uint32_t>(s.output->height));
    say("configure %u %dx%d", s.id, s.output->width, s.output->height);
  }
  if (s.output == nullptr || !s.output->hidden) answerFrames(s);
}

// The surface's objects outlive it as inert ones; frame callbacks not yet
// answered never will be.
void surfaceGone(wl_resource* r) {
  Surface* s = surfaceOf(r);
  for (wl_resource* other : {s->layer, s->viewport, s->fractional})
    if (other != nullptr) wl_resource_set_user_data(other, nullptr);
  while (wl_list_empty(&s->frames) == 0) {
    wl_list* link = s->frames.next;
    wl_list_remove(link);
    wl_list_init(link);
  }
  forgetPendingBuffer(*s);
  say("surface %u destroyed", s->id);
  auto& all = s->compositor->surfaces;
  all.erase(std::find_if(all.begin(), all.end(), [s](const auto& p) { return p.get() == s; }));
}

const struct wl_surface_interface kSurface = {
    destroyResource,
    [](wl_client*, wl_resource* r, wl_resource* buffer, std::int32_t, std::int32_t) {
      Surface& s = *surfaceOf(r);
      forgetPendingBuffer(s);
      s.attached = true;
      s.pendingBuffer = buffer;
      if (buffer == nullptr) return;
      s.pendingBufferWatch.surface = &s;
      s.pendingBufferWatch.listener.notify = [](wl_listener* listener, void*) {
        Surface& gone = *reinterpret_cast<BufferWatch*>(listener)->surface;
        wl_list_remove(&listener->link);
        gone.pendingBuffer = nullptr;
      };
      wl_resource_add_destroy_listener(buffer, &s.pendingBufferWatch.listener);
    },
    [](wl_client*, wl_resource*, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {},
    [](wl_client* client, wl_resource* r, std::uint32_t id) {
      wl_resource* callback = wl_resource_create(client, &wl_callback_interface, 1, id);
      wl_resource_set_implementation(callback, nullptr, nullptr,
                                     [](wl_resource* c) { wl_list_remove(wl_resource_get_link(c)); });
      wl_list_insert(surfaceOf(r)->frames.prev, wl_resource_get_link(callback));
    },
    [](wl_client*, wl_resource* r, wl_resource* region) {
      Surface& s = *surfaceOf(r);
      s.pendingOpaque = region != nullptr ? *static_cast<Region*>(wl_resource_get_user_data(region)) : Region{};
    },
    [](wl_client*, wl_resource*, wl_resource*) {},
    commit,
    [](wl_client*, wl_resource*, std::int32_t) {},
    [](wl_client*, wl_resource* r, std::int32_t scale) {
      if (scale < 1) return wl_resource_post_error(r, WL_SURFACE_ERROR_INVALID_SCALE, "buffer scale %d", scale);
      surfaceOf(r)->pendingScale = scale;
    },
    [](wl_client*, wl_resource*, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {},
    [](wl_client*, wl_resource*, std::int32_t, std::int32_t) {},
};

void addToRegion(wl_resource* r, bool add, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
  static_cast<Region*>(wl_resource_get_user_data(r))->push_back({add, x, y, width, height});
}

const struct wl_region_interface kRegion = {
    destroyResource,
    [](wl_client*, wl_resource* r, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
      addToRegion(r, true, x, y, w, h);
    },
    [](wl_client*, wl_resource* r, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
      addToRegion(r, false, x, y, w, h);
    },
};

const struct wl_compositor_interface kCompositor = {
    [](wl_client* client, wl_resource* r, std::uint32_t id) {
      Compositor& c = *static_cast<Compositor*>(wl_resource_get_user_data(r));
      auto s = std::make_unique<Surface>();
      s->compositor = &c;
      s->id = ++c.surfacesMade;
      wl_list_init(&s->frames);
      s->resource = wl_resource_create(client, &wl_surface_interface, wl_resource_get_version(r), id);
      wl_resource_set_implementation(s->resource, &kSurface, s.get(), surfaceGone);
      say("surface %u created", s->id);
      c.surfaces.push_back(std::move(s));
    },
    [](wl_client* client, wl_resource* r, std::uint32_t id) {
      wl_resource* region = wl_resource_create(client, &wl_region_interface, wl_resource_get_version(r), id);
      wl_resource_set_implementation(region, &kRegion, new Region,
                                     [](wl_resource* g) { delete static_cast<Region*>(wl_resource_get_user_data(g)); });
    },
};

// ---- wl_output ------------------------------------------------------------

// The output's mode, scale and (the first time) name, then done.
void describe(const Output& o, wl_resource* r, bool first) {
  const int version = wl_resource_get_version(r);
  wl_output_send_mode(r, WL_OUTPUT_MODE_CURRENT | WL_OUTPUT_MODE_PREFERRED, o.width * o.scale, o.height * o.scale,
                      60000);
  if (version >= WL_OUTPUT_SCALE_SINCE_VERSION) wl_output_send_scale(r, o.scale);
  if (first && version >= WL_OUTPUT_NAME_SINCE_VERSION) wl_output_send_name(r, o.name.c_str());
  if (version >= WL_OUTPUT_DONE_SINCE_VERSION) wl_output_send_done(r);
}

const struct wl_output_interface kOutput = {destroyResource};

void bindOutput(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
  Output& o = *static_cast<Output*>(data);
  wl_resource* r = wl_resource_create(client, &wl_output_interface, static_cast<int>(version), id);
  wl_resource_set_implementation(r, &kOutput, &o, [](wl_resource* gone) {
    auto& bound = outputOf(gone).bound;
    bound.erase(std::find(bound.begin(), bound.end(), gone));
  });
  o.bound.push_back(r);
  wl_output_send_geometry(r, o.x, 0, 0, 0, WL_OUTPUT_SUBPIXEL_UNKNOWN, "Flindra", "test output",
                          WL_OUTPUT_TRANSFORM_NORMAL);
  describe(o, r, true);
}

// ---- Layer shell, viewporter, fractional scale ----------------------------

void closeLayer(Surface& s) {
  if (s.layer == nullptr || s.closed) return;
  s.closed = true;
  zwlr_layer_surface_v1_send_closed(s.layer);
  say("closed %u", s.id);
}

const struct zwlr_layer_surface_v1_interface kLayerSurface = {
    [](wl_client*, wl_resource*, std::uint32_t, std::uint32_t) {},
    [](wl_client*, wl_resource*, std::uint32_t) {},
    [](wl_client*, wl_resource*, std::int32_t) {},
    [](wl_client*, wl_resource*, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {},
    [](wl_client*, wl_resource*, std::uint32_t) {},
    [](wl_client*, wl_resource*, wl_resource*) {},
    [](wl_client*, wl_resource*, std::uint32_t) {},
    destroyResource,
    [](wl_client*, wl_resource*, std::uint32_t) {},
};

const struct zwlr_layer_shell_v1_interface kLayerShell = {
    [](wl_client* client, wl_resource* shell, std::uint32_t id, wl_resource* surface, wl_resource* output,
       std::uint32_t, const char*) {
      Surface& s = *surfaceOf(surface);
      Compositor& c = *static_cast<Compositor*>(wl_resource_get_user_data(shell));
      s.layer = wl_resource_create(client, &zwlr_layer_surface_v1_interface, wl_resource_get_version(shell), id);
      wl_resource_set_implementation(s.layer, &kLayerSurface, &s, [](wl_resource* r) {
        if (Surface* gone = surfaceOf(r)) {
          gone->layer = nullptr;
          gone->output = nullptr;
        }
      });
      // Without an output named, the compositor picks: the first.
      auto first = std::find_if(c.outputs.begin(), c.outputs.end(), [](const auto& o) { return !o->removed; });
      s.output = output != nullptr ? &outputOf(output) : first != c.outputs.end() ? first->get() : nullptr;
      s.closed = false;
      s.configureSent = false;
      say("layer %u on %s", s.id, s.output != nullptr ? s.output->name.c_str() : "none");
      if (s.output == nullptr || s.output->removed) return closeLayer(s);
      sendPreferredScale(s);
    },
    destroyResource,
};

const struct wp_viewport_interface kViewport = {
    destroyResource,
    [](wl_client*, wl_resource*, wl_fixed_t, wl_fixed_t, wl_fixed_t, wl_fixed_t) {},
    [](wl_client*, wl_resource* r, std::int32_t width, std::int32_t height) {
      Surface* s = surfaceOf(r);
      if (s == nullptr) return wl_resource_post_error(r, WP_VIEWPORT_ERROR_NO_SURFACE, "the surface is gone");
      const bool unset = width == -1 && height == -1;
      if (!unset && (width <= 0 || height <= 0))
        return wl_resource_post_error(r, WP_VIEWPORT_ERROR_BAD_VALUE, "destination %d x %d", width, height);
      s->pendingViewportWidth = width;
      s->pendingViewportHeight = height;
    },
};

const struct wp_viewporter_interface kViewporter = {
    destroyResource,
    [](wl_client* client, wl_resource* r, std::uint32_t id, wl_resource* surface) {
      Surface& s = *surfaceOf(surface);
      if (s.viewport != nullptr)
        return wl_resource_post_error(r, WP_VIEWPORTER_ERROR_VIEWPORT_EXISTS, "surface %u has a viewport", s.id);
      s.viewport = wl_resource_create(client, &wp_viewport_interface, 1, id);
      wl_resource_set_implementation(s.viewport, &kViewport, &s, [](wl_resource* v) {
        if (Surface* gone = surfaceOf(v)) {
          gone->viewport = nullptr;
          gone->pendingViewportWidth = gone->pendingViewportHeight = -1;
        }
      });
    },
};

const struct wp_fractional_scale_v1_interface kFractionalScale = {destroyResource};

const struct wp_fractional_scale_manager_v1_interface kFractionalScaleManager = {
    destroyResource,
    [](wl_client* client, wl_resource* r, std::uint32_t id, wl_resource* surface) {
      Surface& s = *surfaceOf(surface);
      if (s.fractional != nullptr)
        return wl_resource_post_error(r, WP_FRACTIONAL_SCALE_MANAGER_V1_ERROR_FRACTIONAL_SCALE_EXISTS,
                                      "surface %u has a fractional scale", s.id);
      s.fractional = wl_resource_create(client, &wp_fractional_scale_v1_interface, 1, id);
      wl_resource_set_implementation(s.fractional, &kFractionalScale, &s, [](wl_resource* f) {
        if (Surface* gone = surfaceOf(f)) gone->fractional = nullptr;
      });
      sendPreferredScale(s);
    },
};

// A global whose objects all share one implementation and the compositor.
template <const wl_interface* Interface, auto Implementation>
void bindGlobal(wl_client* client, void* data, std::uint32_t version, std::uint32_t id) {
  wl_resource* r = wl_resource_create(client, Interface, static_cast<int>(version), id);
  wl_resource_set_implementation(r, Implementation, data, nullptr);
}

// ---- Commands -------------------------------------------------------------

// Runs one command line; an empty string when done, else why not.
std::string run(Compositor& c, const std::string& line) {
  std::istringstream words(line);
  std::string verb, what, name;
  words >> verb;
  if (verb == "quit") {
    wl_display_terminate(c.display);
    return "";
  }
  if (verb == "close-layer") {
    words >> name;
    Output* o = findOutput(c, name);
    if (o == nullptr) return "no output " + name;
    for (const auto& s : c.surfaces)
      if (s->output == o) closeLayer(*s);
    return "";
  }
  if (verb != "output" || !(words >> what >> name)) return "unknown command";
  Output* o = findOutput(c, name);
  if (what == "add") {
    if (o != nullptr) return "there is an output " + name;
    auto added = std::make_unique<Output>();
    std::string scaleWord;
    char x = 0;
    if (!(words >> added->width >> x >> added->height) || x != 'x' || added->width <= 0 || added->height <= 0)
      return "a size is WIDTHxHEIGHT";
    if (words >> scaleWord && (scaleWord != "scale" || !(words >> added->scale) || added->scale < 1))
      return "after the size: scale N, N at least 1";
    added->name = name;
    for (const auto& other : c.outputs)
      if (!other->removed) added->x += other->width;
    added->global = wl_global_create(c.display, &wl_output_interface, 4, added.get(), bindOutput);
    c.outputs.push_back(std::move(added));
    return "";
  }
  if (o == nullptr) return "no output " + name;
  std::int64_t value = 0;
  if (what == "remove") {
    for (const auto& s : c.surfaces)
      if (s->output == o) closeLayer(*s);
    wl_global_remove(o->global);
    o->removed = true;
    return "";
  }
  if (what == "hide" || what == "show") {
    o->hidden = what == "hide";
    for (const auto& s : c.surfaces)
      if (s->output == o && !o->hidden) answerFrames(*s);
    return "";
  }
  const bool read = static_cast<bool>(words >> value);
  if (what == "scale") {
    if (!read || value < 1 || value > 8) return "a scale from 1 to 8";
    o->scale = static_cast<std::int32_t>(value);
    for (wl_resource* r : o->bound) describe(*o, r, false);
  } else if (what == "fractional") {
    if (!read || value < 120 || value > 960) return "a fractional scale from 120 to 960 (in 120ths)";
    o->fractional = static_cast<std::uint32_t>(value);
    for (const auto& s : c.surfaces)
      if (s->output == o) sendPreferredScale(*s);
  } else {
    return "unknown command";
  }
  return "";
}

int readCommands(int fd, std::uint32_t, void* data) {
  Compositor& c = *static_cast<Compositor*>(data);
  char chunk[4096];
  const ssize_t got = read(fd, chunk, sizeof chunk);
  if (got <= 0) {
    wl_display_terminate(c.display);
    return 0;
  }
  c.input.append(chunk, static_cast<std::size_t>(got));
  for (std::size_t end; (end = c.input.find('\n')) != std::string::npos;) {
    const std::string line = c.input.substr(0, end);
    c.input.erase(0, end + 1);
    const std::string why = run(c, line);
    if (why.empty()) say("ok %s", line.c_str());
    else say("error %s: %s", why.c_str(), line.c_str());
  }
  return 0;
}

}  // namespace

int main() {
  Compositor c;
  c.display = wl_display_create();
  const char* socket = wl_display_add_socket_auto(c.display);
  if (socket == nullptr) {
    std::fprintf(stderr, "test_compositor: cannot make a socket (is XDG_RUNTIME_DIR a directory of ours?)\n");
    return 1;
  }
  wl_display_init_shm(c.display);
  wl_global_create(c.display, &wl_compositor_interface, 4, &c,
                   bindGlobal<&wl_compositor_interface, &kCompositor>);
  wl_global_create(c.display, &zwlr_layer_shell_v1_interface, 4, &c,
                   bindGlobal<&zwlr_layer_shell_v1_interface, &kLayerShell>);
  wl_global_create(c.display, &wp_viewporter_interface, 1, &c, bindGlobal<&wp_viewporter_interface, &kViewporter>);
  wl_global_create(c.display, &wp_fractional_scale_manager_v1_interface, 1, &c,
                   bindGlobal<&wp_fractional_scale_manager_v1_interface, &kFractionalScaleManager>);

  wl_listener clientCreated{};
  clientCreated.notify = [](wl_listener*, void* client) {
    say("client connected");
    auto* gone = new wl_listener{};
    gone->notify = [](wl_listener* self, void*) {
      say("client disconnected");
      delete self;
    };
    wl_client_add_destroy_listener(static_cast<wl_client*>(client), gone);
  };
  wl_display_add_client_created_listener(c.display, &clientCreated);

  wl_event_loop* loop = wl_display_get_event_loop(c.display);
  const auto stop = [](int, void* data) {
    wl_display_terminate(static_cast<wl_display*>(data));
    return 0;
  };
  wl_event_source* sources[] = {wl_event_loop_add_fd(loop, STDIN_FILENO, WL_EVENT_READABLE, readCommands, &c),
                                wl_event_loop_add_signal(loop, SIGTERM, stop, c.display),
                                wl_event_loop_add_signal(loop, SIGINT, stop, c.display)};

  say("socket %s", socket);
  wl_display_run(c.display);
  for (wl_event_source* source : sources) wl_event_source_remove(source);
  wl_display_destroy_clients(c.display);
  wl_display_destroy(c.display);
  return 0;
}
