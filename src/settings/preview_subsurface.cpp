#include "settings/preview_subsurface.h"

#include <gdk/wayland/gdkwayland.h>

#include <cmath>
#include <cstdint>
#include <cstring>

#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"

// NOTE: GObject's type macros are C and cast the C way.
#pragma GCC diagnostic ignored "-Wold-style-cast"

namespace {

// The globals the preview's surface needs beyond the toolkit's.
struct Globals {
  wl_subcompositor* subcompositor = nullptr;
  wp_viewporter* viewporter = nullptr;
  wp_fractional_scale_manager_v1* fractionalScales = nullptr;
};

template <typename Proxy>
void bindIf(const char* interface, const wl_interface& wanted, wl_registry* registry, std::uint32_t name,
            Proxy*& bound) {
  if (std::strcmp(interface, wanted.name) == 0)
    bound = static_cast<Proxy*>(wl_registry_bind(registry, name, &wanted, 1));
}

void registryHandleGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                          std::uint32_t) {
  Globals& g = *static_cast<Globals*>(data);
  bindIf(interface, wl_subcompositor_interface, registry, name, g.subcompositor);
  bindIf(interface, wp_viewporter_interface, registry, name, g.viewporter);
  bindIf(interface, wp_fractional_scale_manager_v1_interface, registry, name, g.fractionalScales);
}

void registryHandleGlobalRemove(void*, wl_registry*, std::uint32_t) {}

const wl_registry_listener kRegistryListener = {registryHandleGlobal, registryHandleGlobalRemove};

template <typename Proxy>
void toDefaultQueue(Proxy* proxy) {
  if (proxy != nullptr) wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(proxy), nullptr);
}

// Asked for on a queue of the preview's own so that none of the toolkit's
// events are dispatched here; what is bound then goes to the toolkit's
// queue, whose dispatching delivers the surface's events. False when the
// compositor is gone.
bool bindGlobals(wl_display* display, Globals& globals) {
  wl_event_queue* queue = wl_display_create_queue(display);
  auto* wrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
  wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapped), queue);
  wl_registry* registry = wl_display_get_registry(wrapped);
  wl_registry_add_listener(registry, &kRegistryListener, &globals);
  const bool answered = wl_display_roundtrip_queue(display, queue) >= 0;
  wl_registry_destroy(registry);
  wl_proxy_wrapper_destroy(wrapped);
  toDefaultQueue(globals.subcompositor);
  toDefaultQueue(globals.viewporter);
  toDefaultQueue(globals.fractionalScales);
  wl_event_queue_destroy(queue);
  return answered;
}

}  // namespace

bool PreviewSubsurface::open(GtkWidget* widget, int width, int height, std::string& why) {
  GdkDisplay* gdkDisplay = gtk_widget_get_display(widget);
  GtkNative* native = gtk_widget_get_native(widget);
  parent_ = native != nullptr ? gtk_native_get_surface(native) : nullptr;
  if (!GDK_IS_WAYLAND_DISPLAY(gdkDisplay) || parent_ == nullptr || !GDK_IS_WAYLAND_SURFACE(parent_)) {
    why = "the window is not on Wayland";
    return false;
  }
  display_ = gdk_wayland_display_get_wl_display(gdkDisplay);
  Globals globals;
  const bool answered = bindGlobals(display_, globals);
  subcompositor_ = globals.subcompositor;
  viewporter_ = globals.viewporter;
  fractionalScales_ = globals.fractionalScales;
  if (!answered) {
    why = "the compositor is gone";
    return false;
  }
  if (subcompositor_ == nullptr) {
    why = "the compositor offers no subsurfaces";
    return false;
  }
  widget_ = widget;
  width_ = width;
  height_ = height;
  wl_compositor* compositor = gdk_wayland_display_get_wl_compositor(gdkDisplay);
  wl_surface* surface = drawn.surface = wl_compositor_create_surface(compositor);
  subsurface_ = wl_subcompositor_get_subsurface(subcompositor_, surface, gdk_wayland_surface_get_wl_surface(parent_));
  // Its frames show as they are drawn, not with the window's next repaint.
  wl_subsurface_set_desync(subsurface_);
  FollowScale(drawn, viewporter_, fractionalScales_);
  wl_region* none = wl_compositor_create_region(compositor);
  wl_surface_set_input_region(surface, none);
  wl_region_destroy(none);
  wl_region* whole = wl_compositor_create_region(compositor);
  wl_region_add(whole, 0, 0, width, height);
  wl_surface_set_opaque_region(surface, whole);
  wl_region_destroy(whole);
  clock_ = GDK_FRAME_CLOCK(g_object_ref(gdk_surface_get_frame_clock(parent_)));
  // After the toolkit's own layout, before the window's commit that
  // carries the new place.
  layoutHandler_ = g_signal_connect_after(clock_, "layout", G_CALLBACK(place), this);
  x_ = y_ = -1;
  place(clock_, this);
  return true;
}

PreviewSubsurface::~PreviewSubsurface() {
  if (clock_ != nullptr) {
    // The window's surface, going first, may have disposed of its clock's handlers already.
    if (g_signal_handler_is_connected(clock_, layoutHandler_)) g_signal_handler_disconnect(clock_, layoutHandler_);
    g_object_unref(clock_);
  }
  if (fractionalScales_ != nullptr) wp_fractional_scale_manager_v1_destroy(fractionalScales_);
  if (viewporter_ != nullptr) wp_viewporter_destroy(viewporter_);
  if (subsurface_ != nullptr) wl_subsurface_destroy(subsurface_);
  if (drawn.surface != nullptr) wl_surface_destroy(drawn.surface);
  if (subcompositor_ != nullptr) wl_subcompositor_destroy(subcompositor_);
}

// The widget's top left corner in the window surface's coordinates (the
// surface holds the window's shadow too).
void PreviewSubsurface::place(GdkFrameClock*, gpointer data) {
  auto& self = *static_cast<PreviewSubsurface*>(data);
  GtkNative* native = gtk_widget_get_native(self.widget_);
  graphene_point_t corner;
  const graphene_point_t origin = GRAPHENE_POINT_INIT(0.0f, 0.0f);
  if (native == nullptr || !gtk_widget_compute_point(self.widget_, GTK_WIDGET(native), &origin, &corner)) return;
  double shadowX = 0.0, shadowY = 0.0;
  gtk_native_get_surface_transform(native, &shadowX, &shadowY);
  const int x = static_cast<int>(std::lround(corner.x + shadowX));
  const int y = static_cast<int>(std::lround(corner.y + shadowY));
  if (x == self.x_ && y == self.y_) return;
  self.x_ = x;
  self.y_ = y;
  wl_subsurface_set_position(self.subsurface_, x, y);
  // The place is the window's state: it moves with the window's next commit.
  gtk_widget_queue_draw(self.widget_);
}

// No output in view: the window's whole scale stands for it.
BufferPlan PreviewSubsurface::plan() const {
  ScaleFacts facts;
  facts.width = width_;
  facts.height = height_;
  facts.outputScale = gdk_surface_get_scale_factor(parent_);
  return PlanFor(drawn, facts);
}
