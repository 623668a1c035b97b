#include "settings/flake_preview.h"

#include "core/beat.h"
#include "core/dim_frame.h"
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
  width_ = width;
  height_ = height;
  frame_ = frame_paintable_new(width, height);
  gtk_picture_set_paintable(picture, GDK_PAINTABLE(frame_));
  subsurface_ = std::make_unique<PreviewSubsurface>();
  std::string notOnWayland;
  if (subsurface_->open(GTK_WIDGET(picture), width, height, notOnWayland)) {
    const PreviewSubsurface::BufferSize buffer = subsurface_->nextBuffer();
    if (!gl_.openOnSurface(subsurface_->display(), subsurface_->surface(), buffer.width, buffer.height, why))
      return false;
  } else {
    subsurface_.reset();
    if (!gl_.openOffscreen(width, height, why)) return false;
  }
  settings_ = settings;
  opacity_ = fadedInOpacity(settings_.Brightness);
  held_ = HeldFrameFromEnvironment();
  if (held_) heldFlakes_ = StartHeldField(*field_, *held_, settings_);
  else StartField(*field_, FirstSwayStep(settings_.Speed));
  drawFrame();
  beat_ = g_timeout_add(kFrameIntervalMs, onBeat, this);
  return true;
}

FlakePreview::~FlakePreview() {
  if (beat_ != 0) g_source_remove(beat_);
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

// One beat of the saver's frame, drawn as the saver draws it once faded in
// (over black: the alpha stays opaque). On the subsurface nothing is drawn
// until the compositor has asked for the next frame, as in the saver.
void FlakePreview::drawFrame() {
  if (subsurface_) {
    if (subsurface_->waiting()) return;
    const PreviewSubsurface::BufferSize buffer = subsurface_->nextBuffer();
    if (buffer.width != gl_.width() || buffer.height != gl_.height()) {
      gl_.resize(buffer.width, buffer.height);
      sceneSet_ = false;
    }
  }
  if (!gl_.begin()) return;
  if (!sceneSet_) {
    SetupScene(gl_.width(), gl_.height(), gl_.width(), gl_.height());
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);  // an opaque picture
    sceneSet_ = true;
  }
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
  DrawFlakes(*field_, settings_, held_ ? heldFlakes_ : StepFlakes(*field_, settings_));
  DimFrame(opacity_);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  if (subsurface_) {
    subsurface_->askForFrame();
    gl_.swap();
  } else {
    showOffscreenFrame();
  }
  gl_.end();
}

// The frame read back into the picture's texture.
void FlakePreview::showOffscreenFrame() {
  auto* kept = new std::vector<std::uint8_t>(gl_.readBgra());
  GBytes* bytes = g_bytes_new_with_free_func(kept->data(), kept->size(),
                                             [](gpointer data) { delete static_cast<std::vector<std::uint8_t>*>(data); },
                                             kept);
  GdkTexture* texture = gdk_memory_texture_new(gl_.width(), gl_.height(), GDK_MEMORY_B8G8R8A8_PREMULTIPLIED, bytes,
                                               static_cast<std::size_t>(gl_.width()) * 4);
  frame_paintable_show(frame_, texture);
  g_object_unref(texture);
  g_bytes_unref(bytes);
}
