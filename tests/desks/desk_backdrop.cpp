// A known desktop for a desk that paints none of its own (KWin without
// Plasma's shell): a background-layer surface on every output, filled with
// #12fe34, so a screenshot shows whether the saver hides it. Prints "ready"
// once every output shows it, then takes lines on standard input, each
// answered "ok" once the compositor has it:
//   inhibit    holds a zwp_idle_inhibitor_v1 on each of its surfaces, as a
//              video player does, so the desk does not count as idle
//   release    lets them go
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"

namespace {

constexpr std::uint32_t kColour = 0xff12fe34;  // ARGB

struct Backdrop {
  wl_output* output = nullptr;
  wl_surface* surface = nullptr;
  zwlr_layer_surface_v1* layer = nullptr;
  zwp_idle_inhibitor_v1* inhibitor = nullptr;
  wl_buffer* buffer = nullptr;
};

struct Desk {
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  zwlr_layer_shell_v1* layerShell = nullptr;
  zwp_idle_inhibit_manager_v1* inhibitManager = nullptr;
  std::vector<std::unique_ptr<Backdrop>> backdrops;
};

void onGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
  auto& desk = *static_cast<Desk*>(data);
  if (std::strcmp(interface, wl_compositor_interface.name) == 0)
    desk.compositor = static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 4));
  else if (std::strcmp(interface, wl_shm_interface.name) == 0)
    desk.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0)
    desk.layerShell =
        static_cast<zwlr_layer_shell_v1*>(wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, 1));
  else if (std::strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name) == 0)
    desk.inhibitManager = static_cast<zwp_idle_inhibit_manager_v1*>(
        wl_registry_bind(registry, name, &zwp_idle_inhibit_manager_v1_interface, 1));
  else if (std::strcmp(interface, wl_output_interface.name) == 0) {
    auto backdrop = std::make_unique<Backdrop>();
    backdrop->output = static_cast<wl_output*>(wl_registry_bind(registry, name, &wl_output_interface, 1));
    desk.backdrops.push_back(std::move(backdrop));
  }
}

const wl_registry_listener kRegistryListener = {onGlobal, [](void*, wl_registry*, std::uint32_t) {}};

Desk* theDesk = nullptr;

// One buffer of the colour, width x height, in shared memory.
wl_buffer* filledBuffer(wl_shm* shm, std::uint32_t width, std::uint32_t height) {
  const std::size_t size = std::size_t{width} * height * 4;
  const int fd = memfd_create("flindra-backdrop", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, static_cast<off_t>(size)) != 0) return nullptr;
  void* map = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (map == MAP_FAILED) return nullptr;
  auto* pixels = static_cast<std::uint32_t*>(map);
  for (std::size_t i = 0; i < size / 4; ++i) pixels[i] = kColour;
  munmap(map, size);
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<std::int32_t>(size));
  wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, static_cast<std::int32_t>(width),
                                                static_cast<std::int32_t>(height), static_cast<std::int32_t>(width * 4),
                                                WL_SHM_FORMAT_ARGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  return buffer;
}

void onConfigure(void* data, zwlr_layer_surface_v1* layer, std::uint32_t serial, std::uint32_t width,
                 std::uint32_t height) {
  auto& backdrop = *static_cast<Backdrop*>(data);
  zwlr_layer_surface_v1_ack_configure(layer, serial);
  wl_buffer* buffer = filledBuffer(theDesk->shm, width, height);
  if (buffer == nullptr) {
    std::fprintf(stderr, "desk_backdrop: no shared memory for %u x %u\n", width, height);
    return;
  }
  wl_surface_attach(backdrop.surface, buffer, 0, 0);
  wl_surface_damage(backdrop.surface, 0, 0, INT32_MAX, INT32_MAX);
  wl_surface_commit(backdrop.surface);
  if (backdrop.buffer != nullptr) wl_buffer_destroy(backdrop.buffer);
  backdrop.buffer = buffer;
}

const zwlr_layer_surface_v1_listener kLayerListener = {
    onConfigure, [](void*, zwlr_layer_surface_v1*) { std::fprintf(stderr, "desk_backdrop: a surface closed\n"); }};

}  // namespace

int main() {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "desk_backdrop: no compositor\n");
    return 1;
  }
  Desk desk;
  theDesk = &desk;
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &kRegistryListener, &desk);
  wl_display_roundtrip(display);
  if (desk.compositor == nullptr || desk.shm == nullptr || desk.layerShell == nullptr ||
      desk.inhibitManager == nullptr) {
    std::fprintf(stderr, "desk_backdrop: the compositor lacks the layer shell or the idle inhibitor\n");
    return 1;
  }
  for (auto& backdrop : desk.backdrops) {
    backdrop->surface = wl_compositor_create_surface(desk.compositor);
    backdrop->layer = zwlr_layer_shell_v1_get_layer_surface(desk.layerShell, backdrop->surface, backdrop->output,
                                                            ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND, "flindra-backdrop");
    zwlr_layer_surface_v1_set_anchor(backdrop->layer,
                                     ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                         ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(backdrop->layer, -1);
    zwlr_layer_surface_v1_add_listener(backdrop->layer, &kLayerListener, backdrop.get());
    wl_surface_commit(backdrop->surface);
  }
  // Configured, drawn, and the compositor has the buffers.
  wl_display_roundtrip(display);
  wl_display_roundtrip(display);
  for (const auto& backdrop : desk.backdrops)
    if (backdrop->buffer == nullptr) return 1;
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  std::puts("ready");

  // The compositor's events and the commands, whichever comes.
  char line[128];
  pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {wl_display_get_fd(display), POLLIN, 0}};
  for (;;) {
    wl_display_flush(display);
    if (poll(fds, 2, -1) < 0) return 1;
    if ((fds[1].revents & POLLIN) != 0 && wl_display_dispatch(display) < 0) return 1;
    if ((fds[0].revents & (POLLIN | POLLHUP)) == 0) continue;
    if (std::fgets(line, sizeof line, stdin) == nullptr) break;
    const bool inhibit = std::strncmp(line, "inhibit", 7) == 0;
    if (!inhibit && std::strncmp(line, "release", 7) != 0) {
      std::fprintf(stderr, "desk_backdrop: unknown command %s", line);
      return 1;
    }
    for (auto& backdrop : desk.backdrops) {
      if (backdrop->inhibitor != nullptr) zwp_idle_inhibitor_v1_destroy(backdrop->inhibitor);
      backdrop->inhibitor = inhibit ? zwp_idle_inhibit_manager_v1_create_inhibitor(desk.inhibitManager,
                                                                                    backdrop->surface)
                                    : nullptr;
    }
    if (wl_display_roundtrip(display) < 0) return 1;
    std::puts("ok");
  }
  for (auto& backdrop : desk.backdrops) {
    if (backdrop->inhibitor != nullptr) zwp_idle_inhibitor_v1_destroy(backdrop->inhibitor);
    zwlr_layer_surface_v1_destroy(backdrop->layer);
    wl_surface_destroy(backdrop->surface);
    wl_buffer_destroy(backdrop->buffer);
    wl_output_destroy(backdrop->output);
  }
  zwp_idle_inhibit_manager_v1_destroy(desk.inhibitManager);
  zwlr_layer_shell_v1_destroy(desk.layerShell);
  wl_shm_destroy(desk.shm);
  wl_compositor_destroy(desk.compositor);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  return 0;
}
