#include "wayland/connection.h"

#include <algorithm>

#include "ext-idle-notify-v1-client-protocol.h"
#include "fractional-scale-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"
#include "relative-pointer-unstable-v1-client-protocol.h"
#include "keyboard-shortcuts-inhibit-unstable-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"

namespace {

// The newest version of each interface this program was written against.
// wl_surface.preferred_buffer_scale came with version 6 (libwayland 1.22).
#ifdef WL_SURFACE_PREFERRED_BUFFER_SCALE_SINCE_VERSION
constexpr std::uint32_t kCompositorVersion = 6;
#else
constexpr std::uint32_t kCompositorVersion = 4;
#endif
constexpr std::uint32_t kSeatVersion = 5;
constexpr std::uint32_t kOutputVersion = 3;
constexpr std::uint32_t kLayerShellVersion = 3;
constexpr std::uint32_t kWmBaseVersion = 2;
constexpr std::uint32_t kXdgOutputVersion = 3;
constexpr std::uint32_t kViewporterVersion = 1;
constexpr std::uint32_t kFractionalScaleVersion = 1;
constexpr std::uint32_t kShortcutsInhibitVersion = 1;
constexpr std::uint32_t kIdleNotifierVersion = 2;  // sway 1.11, KWin 6.4, niri, labwc 0.9, COSMIC
constexpr std::uint32_t kKdeIdleVersion = 1;
constexpr std::uint32_t kRelativePointerVersion = 1;

template <typename T>
T* bind(wl_registry* registry, std::uint32_t name, const wl_interface* interface, std::uint32_t offered,
        std::uint32_t wanted) {
  return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

void announceWhenReady(Connection& c, Output& o) {
  if (o.announced || !o.described || !o.placed) return;
  o.announced = true;
  if (c.outputAdded) c.outputAdded(o);
}

Output& outputOf(void* data) { return *static_cast<Output*>(data); }

// Once wl_output's description is complete: the mode as laid on the desk
// (a quarter or three-quarter turn lays it on its side) and, without
// xdg-output, the logical size from it.
void layMode(Output& o) {
  const bool onItsSide = (o.transform & 1) != 0;
  o.modeWidth = onItsSide ? o.sentModeHeight : o.sentModeWidth;
  o.modeHeight = onItsSide ? o.sentModeWidth : o.sentModeHeight;
  if (o.xdgOutput != nullptr) return;
  o.width = o.modeWidth / o.scale;
  o.height = o.modeHeight / o.scale;
}

void outputHandleGeometry(void* data, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                          std::int32_t, const char*, const char*, std::int32_t transform) {
  outputOf(data).transform = transform;
}

void outputHandleMode(void* data, wl_output*, std::uint32_t flags, std::int32_t width, std::int32_t height,
                      std::int32_t) {
  if ((flags & WL_OUTPUT_MODE_CURRENT) == 0) return;
  Output& o = outputOf(data);
  o.sentModeWidth = width;
  o.sentModeHeight = height;
}

void outputHandleDone(void* data, wl_output*) {
  Output& o = outputOf(data);
  layMode(o);
  o.described = true;
  announceWhenReady(*o.connection, o);
}

void outputHandleScale(void* data, wl_output*, std::int32_t factor) { outputOf(data).scale = factor > 0 ? factor : 1; }
void outputHandleName(void* data, wl_output*, const char* name) { outputOf(data).name = name; }
void outputHandleDescription(void*, wl_output*, const char*) {}

const wl_output_listener kOutputListener = {outputHandleGeometry, outputHandleMode,  outputHandleDone,
                                            outputHandleScale,    outputHandleName, outputHandleDescription};

void xdgOutputHandleLogicalPosition(void* data, zxdg_output_v1*, std::int32_t x, std::int32_t y) {
  Output& o = outputOf(data);
  o.x = x;
  o.y = y;
  o.placed = true;
}

void xdgOutputHandleLogicalSize(void* data, zxdg_output_v1*, std::int32_t width, std::int32_t height) {
  Output& o = outputOf(data);
  o.width = width;
  o.height = height;
}

// Sent before version 3 only.
void xdgOutputHandleDone(void* data, zxdg_output_v1*) {
  Output& o = outputOf(data);
  announceWhenReady(*o.connection, o);
}

void xdgOutputHandleName(void* data, zxdg_output_v1*, const char* name) { outputOf(data).name = name; }
void xdgOutputHandleDescription(void*, zxdg_output_v1*, const char*) {}

const zxdg_output_v1_listener kXdgOutputListener = {xdgOutputHandleLogicalPosition, xdgOutputHandleLogicalSize,
                                                    xdgOutputHandleDone, xdgOutputHandleName,
                                                    xdgOutputHandleDescription};

void watchXdgOutput(Connection& c, Output& o) {
  o.xdgOutput = zxdg_output_manager_v1_get_xdg_output(c.outputManager, o.output);
  zxdg_output_v1_add_listener(o.xdgOutput, &kXdgOutputListener, &o);
}

void addOutput(Connection& c, wl_registry* registry, std::uint32_t name, std::uint32_t version) {
  auto o = std::make_unique<Output>();
  o->connection = &c;
  o->globalName = name;
  o->output = bind<wl_output>(registry, name, &wl_output_interface, version, kOutputVersion);
  o->placed = c.outputManager == nullptr;
  wl_output_add_listener(o->output, &kOutputListener, o.get());
  if (c.outputManager != nullptr) watchXdgOutput(c, *o);
  c.outputs.push_back(std::move(o));
}

void releaseOutput(Output& o) {
  if (o.xdgOutput != nullptr) zxdg_output_v1_destroy(o.xdgOutput);
  if (wl_output_get_version(o.output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) wl_output_release(o.output);
  else wl_output_destroy(o.output);
}

// A toplevel that does not answer the compositor's ping looks hung.
void wmBaseHandlePing(void*, xdg_wm_base* base, std::uint32_t serial) { xdg_wm_base_pong(base, serial); }

const xdg_wm_base_listener kWmBaseListener = {wmBaseHandlePing};

void registryHandleGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t version) {
  Connection& c = *static_cast<Connection*>(data);
  const std::string_view what = interface;
  if (what == wl_compositor_interface.name) {
    c.compositor = bind<wl_compositor>(registry, name, &wl_compositor_interface, version, kCompositorVersion);
  } else if (what == wl_seat_interface.name && c.seat == nullptr) {
    c.seat = bind<wl_seat>(registry, name, &wl_seat_interface, version, kSeatVersion);
    if (c.seatAdded) c.seatAdded(c.seat);
  } else if (what == zwlr_layer_shell_v1_interface.name) {
    c.layerShell = bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version,
                                             kLayerShellVersion);
  } else if (what == xdg_wm_base_interface.name) {
    c.wmBase = bind<xdg_wm_base>(registry, name, &xdg_wm_base_interface, version, kWmBaseVersion);
    xdg_wm_base_add_listener(c.wmBase, &kWmBaseListener, nullptr);
  } else if (what == zxdg_output_manager_v1_interface.name) {
    c.outputManager = bind<zxdg_output_manager_v1>(registry, name, &zxdg_output_manager_v1_interface, version,
                                                   kXdgOutputVersion);
    // Outputs announced before the manager learn their place now.
    for (const auto& o : c.outputs) {
      o->placed = false;
      watchXdgOutput(c, *o);
    }
  } else if (what == wp_viewporter_interface.name) {
    c.viewporter = bind<wp_viewporter>(registry, name, &wp_viewporter_interface, version, kViewporterVersion);
  } else if (what == wp_fractional_scale_manager_v1_interface.name) {
    c.fractionalScale = bind<wp_fractional_scale_manager_v1>(registry, name, &wp_fractional_scale_manager_v1_interface,
                                                             version, kFractionalScaleVersion);
  } else if (what == zwp_keyboard_shortcuts_inhibit_manager_v1_interface.name) {
    c.shortcutsInhibit = bind<zwp_keyboard_shortcuts_inhibit_manager_v1>(
        registry, name, &zwp_keyboard_shortcuts_inhibit_manager_v1_interface, version, kShortcutsInhibitVersion);
  } else if (what == ext_idle_notifier_v1_interface.name) {
    c.idleNotifier = bind<ext_idle_notifier_v1>(registry, name, &ext_idle_notifier_v1_interface, version,
                                                kIdleNotifierVersion);
  } else if (what == org_kde_kwin_idle_interface.name) {
    c.kdeIdle = bind<org_kde_kwin_idle>(registry, name, &org_kde_kwin_idle_interface, version, kKdeIdleVersion);
  } else if (what == zwp_relative_pointer_manager_v1_interface.name) {
    c.relativePointer = bind<zwp_relative_pointer_manager_v1>(
        registry, name, &zwp_relative_pointer_manager_v1_interface, version, kRelativePointerVersion);
  } else if (what == wl_output_interface.name) {
    addOutput(c, registry, name, version);
  }
}

void registryHandleGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
  Connection& c = *static_cast<Connection*>(data);
  for (auto it = c.outputs.begin(); it != c.outputs.end(); ++it) {
    if ((*it)->globalName != name) continue;
    if ((*it)->announced && c.outputRemoved) c.outputRemoved(**it);
    releaseOutput(**it);
    c.outputs.erase(it);
    return;
  }
}

const wl_registry_listener kRegistryListener = {registryHandleGlobal, registryHandleGlobalRemove};

}  // namespace

bool OpenConnection(Connection& c) {
  c.display = wl_display_connect(nullptr);
  if (c.display == nullptr) return false;
  c.registry = wl_display_get_registry(c.display);
  wl_registry_add_listener(c.registry, &kRegistryListener, &c);
  // The globals, then the outputs' descriptions, then xdg-output's answers.
  // A round trip that fails has lost the compositor.
  for (int i = 0; i < 3; ++i) {
    if (wl_display_roundtrip(c.display) < 0) {
      CloseConnection(c);
      return false;
    }
  }
  return true;
}

void CloseConnection(Connection& c) {
  for (const auto& o : c.outputs) releaseOutput(*o);
  c.outputs.clear();
  if (c.outputManager != nullptr) zxdg_output_manager_v1_destroy(c.outputManager);
  if (c.viewporter != nullptr) wp_viewporter_destroy(c.viewporter);
  if (c.fractionalScale != nullptr) wp_fractional_scale_manager_v1_destroy(c.fractionalScale);
  if (c.shortcutsInhibit != nullptr) zwp_keyboard_shortcuts_inhibit_manager_v1_destroy(c.shortcutsInhibit);
  if (c.idleNotifier != nullptr) ext_idle_notifier_v1_destroy(c.idleNotifier);
  if (c.relativePointer != nullptr) zwp_relative_pointer_manager_v1_destroy(c.relativePointer);
  if (c.kdeIdle != nullptr) wl_proxy_destroy(reinterpret_cast<wl_proxy*>(c.kdeIdle));  // no destructor request
  if (c.wmBase != nullptr) xdg_wm_base_destroy(c.wmBase);
  if (c.layerShell != nullptr) {
    if (zwlr_layer_shell_v1_get_version(c.layerShell) >= ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION)
      zwlr_layer_shell_v1_destroy(c.layerShell);
    else wl_proxy_destroy(reinterpret_cast<wl_proxy*>(c.layerShell));
  }
  if (c.seat != nullptr) {
    if (wl_seat_get_version(c.seat) >= WL_SEAT_RELEASE_SINCE_VERSION) wl_seat_release(c.seat);
    else wl_seat_destroy(c.seat);
  }
  if (c.compositor != nullptr) wl_compositor_destroy(c.compositor);
  wl_registry_destroy(c.registry);
  wl_display_flush(c.display);
  wl_display_disconnect(c.display);
  c = Connection{};
}
