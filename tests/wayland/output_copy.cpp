// Writes one output's pixels as the compositor holds them, unscaled, as a
// binary PPM on standard output:   output_copy NAME
// grim scales a fractionally scaled output's picture (greying points that
// are sharp on it); this copies the output's own buffer into wl_shm through
// wlroots' zwlr_screencopy_manager_v1.
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// wlr-screencopy-unstable-v1, version 1, as far as this copy goes.
extern const wl_interface kFrame;
const wl_interface* kCaptureTypes[] = {&kFrame, nullptr, &wl_output_interface};
const wl_interface* kCopyTypes[] = {&wl_buffer_interface};
const wl_message kManagerRequests[] = {{"capture_output", "nio", kCaptureTypes}};
const wl_interface kManager = {"zwlr_screencopy_manager_v1", 1, 1, kManagerRequests, 0, nullptr};
const wl_message kFrameRequests[] = {{"copy", "o", kCopyTypes}, {"destroy", "", nullptr}};
const wl_message kFrameEvents[] = {{"buffer", "uuuu", nullptr}, {"flags", "u", nullptr}, {"ready", "uuu", nullptr},
                                   {"failed", "", nullptr}};
const wl_interface kFrame = {"zwlr_screencopy_frame_v1", 1, 2, kFrameRequests, 4, kFrameEvents};

struct Copy {
  const char* name;
  wl_output* output = nullptr;
  wl_shm* shm = nullptr;
  wl_proxy* manager = nullptr;
  std::uint32_t format = 0, width = 0, height = 0, stride = 0, flags = 0;
  int done = 0;  // 1 copied, -1 failed
};
Copy& of(void* data) { return *static_cast<Copy*>(data); }

const wl_output_listener kOutputListener = {
    [](void*, wl_output*, int, int, int, int, int, const char*, const char*, int) {},
    [](void*, wl_output*, std::uint32_t, int, int, int) {}, [](void*, wl_output*) {}, [](void*, wl_output*, int) {},
    [](void* data, wl_output* output, const char* name) {
      if (std::strcmp(of(data).name, name) == 0) of(data).output = output;
    },
    [](void*, wl_output*, const char*) {}};

const wl_registry_listener kRegistryListener = {
    [](void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version) {
      const std::string what = interface;
      if (what == wl_output_interface.name && version >= 4)
        wl_output_add_listener(static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 4)),
                               &kOutputListener, data);
      else if (what == wl_shm_interface.name)
        of(data).shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
      else if (what == kManager.name)
        of(data).manager = static_cast<wl_proxy*>(wl_registry_bind(registry, name, &kManager, 1));
    },
    [](void*, wl_registry*, std::uint32_t) {}};

// The frame's events, in kFrameEvents' order.
struct {
  void (*buffer)(void*, wl_proxy*, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t);
  void (*flags)(void*, wl_proxy*, std::uint32_t);
  void (*ready)(void*, wl_proxy*, std::uint32_t, std::uint32_t, std::uint32_t);
  void (*failed)(void*, wl_proxy*);
} kFrameListener = {
    [](void* data, wl_proxy*, std::uint32_t format, std::uint32_t width, std::uint32_t height, std::uint32_t stride) {
      Copy& c = of(data);
      c.format = format;
      c.width = width;
      c.height = height;
      c.stride = stride;
    },
    [](void* data, wl_proxy*, std::uint32_t flags) { of(data).flags = flags; },
    [](void* data, wl_proxy*, std::uint32_t, std::uint32_t, std::uint32_t) { of(data).done = 1; },
    [](void* data, wl_proxy*) { of(data).done = -1; }};

int fail(const char* why) {
  std::fprintf(stderr, "output_copy: %s\n", why);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return fail("usage: output_copy NAME");
  Copy c{argv[1]};
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return fail("no compositor");
  wl_registry_add_listener(wl_display_get_registry(display), &kRegistryListener, &c);
  wl_display_roundtrip(display);
  wl_display_roundtrip(display);  // the outputs' names
  if (c.manager == nullptr || c.shm == nullptr || c.output == nullptr) return fail("no screencopy or no such output");
  wl_proxy* frame = wl_proxy_marshal_constructor(c.manager, 0, &kFrame, nullptr, 0, c.output);
  wl_proxy_add_listener(frame, reinterpret_cast<void (**)()>(&kFrameListener), &c);
  wl_display_roundtrip(display);
  // XRGB8888 and ARGB8888 lie in memory as B G R x.
  if (c.format != WL_SHM_FORMAT_XRGB8888 && c.format != WL_SHM_FORMAT_ARGB8888) return fail("not an XRGB buffer");
  const std::size_t size = std::size_t{c.stride} * c.height;
  const int fd = memfd_create("output-copy", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) return fail("no shared memory");
  auto* pixels = static_cast<unsigned char*>(mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0));
  if (pixels == MAP_FAILED) return fail("no shared memory");
  wl_shm_pool* pool = wl_shm_create_pool(c.shm, fd, static_cast<int>(size));
  wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, static_cast<int>(c.width), static_cast<int>(c.height),
                                                static_cast<int>(c.stride), c.format);
  wl_proxy_marshal(frame, 0, buffer);
  while (c.done == 0 && wl_display_dispatch(display) >= 0) {
  }
  if (c.done != 1) return fail("the compositor did not copy the output");
  std::printf("P6\n%u %u\n255\n", c.width, c.height);
  for (std::uint32_t y = 0; y < c.height; ++y) {
    const unsigned char* row = pixels + std::size_t{c.stride} * ((c.flags & 1) != 0 ? c.height - 1 - y : y);  // y_invert
    for (std::uint32_t x = 0; x < c.width; ++x) {
      const unsigned char rgb[3] = {row[4 * x + 2], row[4 * x + 1], row[4 * x]};
      std::fwrite(rgb, 1, 3, stdout);
    }
  }
  wl_proxy_marshal(frame, 1);
  wl_proxy_destroy(frame);
  wl_buffer_destroy(buffer);
  wl_shm_pool_destroy(pool);
  munmap(pixels, size);
  close(fd);
  wl_display_disconnect(display);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
