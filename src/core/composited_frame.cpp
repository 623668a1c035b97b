#include "core/composited_frame.h"

#include "core/dim_frame.h"
#include "core/frame_rate_text.h"
#include "core/gl.h"

void DrawCompositedFrame(const FlakeField& field, const Settings& settings, int flakes, std::uint8_t alpha,
                         std::uint8_t opacity, const char* frameRate, int width, int height) {
  // NOTE: not an alpha-only clear after drawing: Mesa draws a masked clear
  // as a quad over the whole buffer, which in software costs about as much
  // as the flakes.
  glClearColor(0.0f, 0.0f, 0.0f, static_cast<GLfloat>(alpha) / 255.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
  DrawFlakes(field, settings, flakes);
  if (frameRate != nullptr) DrawFrameRateText(frameRate, 0, 0, width, height);
  DimFrame(opacity);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}
