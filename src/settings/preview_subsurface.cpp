#include "settings/preview_subsurface.h"

#include <gdk/wayland/gdkwayland.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

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

const wl_registry_listener kRegistryListener = {
    [](void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t) {
      Globals& g = *static_cast<Globals*>(data);
      bindIf(interface, wl_subcompositor_interface, registry, name, g.subcompositor);
      bindIf(interface, wp_viewporter_interface, registry, name, g.viewporter);
      bindIf(interface, wp_fractional_scale_manager_v1_interface, registry, name, g.fractionalScales);
    },
    [](void*, wl_registry*, std::uint32_t) {}};

template <typename Proxy>
void toDefaultQueue(Proxy* proxy) {
  if (proxy != nullptr) wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(proxy), nullptr);
}

// Asked for on a queue of the preview's own so that none of the toolkit's
// events are dispatched here; what is bound then goes to the toolkit's
// queue, whose dispatching delivers the surface's events.
Globals globalsOf(wl_display* display) {
  Globals globals;
  wl_event_queue* queue = wl_display_create_queue(display);
  auto* wrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
  wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(wrapped), queue);
  wl_registry* registry = wl_display_get_registry(wrapped);
  wl_registry_add_listener(registry, &kRegistryListener, &globals);
  wl_display_roundtrip_queue(display, queue);
  wl_registry_destroy(registry);
  wl_proxy_wrapper_destroy(wrapped);
  toDefaultQueue(globals.subcompositor);
  toDefaultQueue(globals.viewporter);
  toDefaultQueue(globals.fractionalScales);
  wl_event_queue_destroy(queue);
  return globals;
}

const wp_fractional_scale_v1_listener kFractionalScaleListener = {[](void* scale120, wp_fractional_scale_v1*,
                                                                     std::uint32_t told) {
  *static_cast<int*>(scale120) = static_cast<int>(std::min<std::uint32_t>(told, 120 * 16));
}};

const wl_callback_listener kFrameListener = {[](void* self, wl_callback* callback, std::uint32_t) {
  wl_callback_destroy(callback);
  *static_cast<wl_callback**>(self) = nullptr;
}};

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
  const Globals globals = globalsOf(display_);
  subcompositor_ = globals.subcompositor;
  viewporter_ = globals.viewporter;
  fractionalScales_ = globals.fractionalScales;
  if (subcompositor_ == nullptr) {
    why = "the compositor offers no subsurfaces";
    return false;
  }
  widget_ = widget;
  width_ = width;
  height_ = height;
  wl_compositor* compositor = gdk_wayland_display_get_wl_compositor(gdkDisplay);
  surface_ = wl_compositor_create_surface(compositor);
  subsurface_ = wl_subcompositor_get_subsurface(subcompositor_, surface_, gdk_wayland_surface_get_wl_surface(parent_));
  // Its frames show as they are drawn, not with the window's next repaint.
  wl_subsurface_set_desync(subsurface_);
  if (viewporter_ != nullptr && fractionalScales_ != nullptr) {
    viewport_ = wp_viewporter_get_viewport(viewporter_, surface_);
    fractionalScale_ = wp_fractional_scale_manager_v1_get_fractional_scale(fractionalScales_, surface_);
    wp_fractional_scale_v1_add_listener(fractionalScale_, &kFractionalScaleListener, &scale120_);
  }
  wl_region* none = wl_compositor_create_region(compositor);
  wl_surface_set_input_region(surface_, none);
  wl_region_destroy(none);
  wl_region* whole = wl_compositor_create_region(compositor);
  wl_region_add(whole, 0, 0, width, height);
  wl_surface_set_opaque_region(surface_, whole);
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
    g_signal_handler_disconnect(clock_, layoutHandler_);
    g_object_unref(clock_);
  }
  if (frame_ != nullptr) wl_callback_destroy(frame_);
  if (fractionalScale_ != nullptr) wp_fractional_scale_v1_destroy(fractionalScale_);
  if (viewport_ != nullptr) wp_viewport_destroy(viewport_);
  if (fractionalScales_ != nullptr) wp_fractional_scale_manager_v1_destroy(fractionalScales_);
  if (viewporter_ != nullptr) wp_viewporter_destroy(viewporter_);
  if (subsurface_ != nullptr) wl_subsurface_destroy(subsurface_);
  if (surface_ != nullptr) wl_surface_destroy(surface_);
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

// At a fractional scale a buffer of round(size x scale) pixels drawn onto the
// widget's size, one buffer pixel a screen pixel; else the window's whole scale.
PreviewSubsurface::BufferSize PreviewSubsurface::nextBuffer() {
  const int scale = gdk_surface_get_scale_factor(parent_);
  if (scale120_ == fittedScale120_ && scale == fittedScale_) return fitted_;
  fittedScale120_ = scale120_;
  fittedScale_ = scale;
  if (scale120_ > 0) {
    wl_surface_set_buffer_scale(surface_, 1);
    wp_viewport_set_destination(viewport_, width_, height_);
    fitted_ = {(width_ * scale120_ + 60) / 120, (height_ * scale120_ + 60) / 120};
  } else {
    wl_surface_set_buffer_scale(surface_, scale);
    fitted_ = {width_ * scale, height_ * scale};
  }
  return fitted_;
}

void PreviewSubsurface::askForFrame() {
  if (frame_ != nullptr) wl_callback_destroy(frame_);
  frame_ = wl_surface_frame(surface_);
  wl_callback_add_listener(frame_, &kFrameListener, &frame_);
}
