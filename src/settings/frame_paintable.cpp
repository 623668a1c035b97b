#include "settings/frame_paintable.h"

// NOTE: GObject's type macros are C and cast the C way, here throughout.
#pragma GCC diagnostic ignored "-Wold-style-cast"

struct _FramePaintable {
  GObject parent;
  GdkTexture* frame;
  int width;
  int height;
};

namespace {

void snapshotFrame(GdkPaintable* paintable, GdkSnapshot* snapshot, double width, double height) {
  FramePaintable* self = FLINDRA_FRAME_PAINTABLE(paintable);
  if (self->frame != nullptr) {
    gdk_paintable_snapshot(GDK_PAINTABLE(self->frame), snapshot, width, height);
    return;
  }
  // The saver's black: under the preview's own surface, and until the first frame.
  const GdkRGBA black = {0.0f, 0.0f, 0.0f, 1.0f};
  const graphene_rect_t area = GRAPHENE_RECT_INIT(0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height));
  gtk_snapshot_append_color(GTK_SNAPSHOT(snapshot), &black, &area);
}

int intrinsicWidth(GdkPaintable* paintable) { return FLINDRA_FRAME_PAINTABLE(paintable)->width; }
int intrinsicHeight(GdkPaintable* paintable) { return FLINDRA_FRAME_PAINTABLE(paintable)->height; }
GdkPaintableFlags sizeNeverChanges(GdkPaintable*) { return GDK_PAINTABLE_STATIC_SIZE; }

void frame_paintable_paintable_init(GdkPaintableInterface* iface) {
  iface->snapshot = snapshotFrame;
  iface->get_intrinsic_width = intrinsicWidth;
  iface->get_intrinsic_height = intrinsicHeight;
  iface->get_flags = sizeNeverChanges;
}

}  // namespace

G_DEFINE_TYPE_WITH_CODE(FramePaintable, frame_paintable, G_TYPE_OBJECT,
                        G_IMPLEMENT_INTERFACE(GDK_TYPE_PAINTABLE, frame_paintable_paintable_init))

static void frame_paintable_dispose(GObject* object) {
  g_clear_object(&FLINDRA_FRAME_PAINTABLE(object)->frame);
  G_OBJECT_CLASS(frame_paintable_parent_class)->dispose(object);
}

static void frame_paintable_class_init(FramePaintableClass* type) {
  G_OBJECT_CLASS(type)->dispose = frame_paintable_dispose;
}

static void frame_paintable_init(FramePaintable* self) {
  self->frame = nullptr;
  self->width = 0;
  self->height = 0;
}

FramePaintable* frame_paintable_new(int width, int height) {
  auto* self = static_cast<FramePaintable*>(g_object_new(frame_paintable_get_type(), nullptr));
  self->width = width;
  self->height = height;
  return self;
}

void frame_paintable_show(FramePaintable* self, GdkTexture* frame) {
  g_set_object(&self->frame, frame);
  gdk_paintable_invalidate_contents(GDK_PAINTABLE(self));
}
