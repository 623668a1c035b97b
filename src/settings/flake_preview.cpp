#include "settings/flake_preview.h"

#include "core/beat.h"
#include "core/composited_frame.h"
#include "core/fade.h"
#include "core/gl.h"
#include "core/scene.h"

namespace {

// The opacity the saver's fade ends at for a Brightness.
std::uint8_t fadedInOpacity(std::int32_t brightness) {
  FadeIn fade;
  while (!fade.done()) fade.tick(brightness);
  return fade.opacity(brightness);
}

}  // namespace

bool FlakePreview::start(GtkPicture* picture, int width, int height, const Settings& settings, std::string& why) {
  frame_ = frame_paintable_new(width, height);
  gtk_picture_set_paintable(picture, GDK_PAINTABLE(frame_));
  subsurface_ = std::make_unique<PreviewSubsurface>();
  std::string notOnWayland;
  if (subsurface_->open(GTK_WIDGET(picture), width, height, notOnWayland)) {
    if (!OpenEglContext(subsurface_->display(), egl_, why)) return false;
  } else {
    subsurface_.reset();
    offscreen_ = std::make_unique<OffscreenFrame>();
    if (!offscreen_->open(egl_, width, height, why)) return false;
  }
  settings_ = settings;
  opacity_ = fadedInOpacity(settings_.Brightness);
  held_ = TestSeamFromEnvironment().heldFrame;
  if (held_) heldFlakes_ = StartHeldField(*field_, *held_, settings_);
  else StartField(*field_, FirstSwayStep(settings_.Speed));
  if (!drawFrame()) {
    why = EglRefused(subsurface_ ? "a window surface" : "the preview's context");
    return false;
  }
  beat_ = g_timeout_add(kFrameIntervalMs, onBeat, this);
  return true;
}

FlakePreview::~FlakePreview() {
  if (beat_ != 0) g_source_remove(beat_);
  if (subsurface_) CloseDrawnSurface(egl_, subsurface_->drawn);
  subsurface_.reset();
  offscreen_.reset();
  CloseEglContext(egl_);
  if (frame_ != nullptr) g_object_unref(frame_);
}

void FlakePreview::follow(const Settings& settings) {
  settings_ = settings;
  opacity_ = fadedInOpacity(settings_.Brightness);
  if (held_) heldFlakes_ = StartHeldField(*field_, *held_, settings_);
}

gboolean FlakePreview::onBeat(gpointer self) {
  static_cast<FlakePreview*>(self)->drawFrame();
  return G_SOURCE_CONTINUE;
}

// One beat of the saver's frame, drawn as the saver draws it once faded in,
// over black (the alpha stays opaque). On the subsurface nothing is drawn
// while the compositor keeps it hidden, as in the saver. GTK's own context
// is let go first (on X11 a GLX one, which no EGL context may replace in
// the same thread); GTK makes it current again when it next draws.
bool FlakePreview::drawFrame() {
  const long beat = ++beats_;
  const BufferPlan plan = subsurface_ ? subsurface_->plan() : BufferPlan{};
  if (subsurface_ && !FrameDue(subsurface_->drawn, plan, beat)) return true;
  gdk_gl_context_clear_current();
  if (subsurface_ ? !BeginFrame(egl_, subsurface_->drawn, plan) : !offscreen_->makeCurrent()) return false;
  const int width = subsurface_ ? plan.width : offscreen_->width();
  const int height = subsurface_ ? plan.height : offscreen_->height();
  if (sceneSet_) SetupProjection(width, height, width, height);
  else SetupScene(width, height, width, height);
  sceneSet_ = true;
  DrawCompositedFrame(*field_, settings_, held_ ? heldFlakes_ : StepFlakes(*field_, settings_), 255, opacity_, nullptr,
                      width, height);
  if (subsurface_) ShowFrame(egl_, subsurface_->drawn, beat);
  else showOffscreenFrame();
  eglMakeCurrent(egl_.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  return true;
}

// The frame read back into the picture's texture.
void FlakePreview::showOffscreenFrame() {
  auto* kept = new std::vector<std::uint8_t>(offscreen_->readBgra());
  GBytes* bytes = g_bytes_new_with_free_func(kept->data(), kept->size(),
                                             [](gpointer data) { delete static_cast<std::vector<std::uint8_t>*>(data); },
                                             kept);
  GdkTexture* texture = gdk_memory_texture_new(offscreen_->width(), offscreen_->height(),
                                               GDK_MEMORY_B8G8R8A8_PREMULTIPLIED, bytes,
                                               static_cast<std::size_t>(offscreen_->width()) * 4);
  frame_paintable_show(frame_, texture);
  g_object_unref(texture);
  g_bytes_unref(bytes);
}
