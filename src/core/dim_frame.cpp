#include "core/dim_frame.h"

#include "core/gl.h"

void DimFrame(std::uint8_t opacity) {
  if (opacity == 255) return;
  // One black quad over the viewport whose alpha scales what is there:
  // destination x source alpha.
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glBlendFunc(GL_ZERO, GL_SRC_ALPHA);
  glColor4f(0.0f, 0.0f, 0.0f, static_cast<GLfloat>(opacity) / 255.0f);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glRectf(-1.0f, -1.0f, 1.0f, 1.0f);
  glPopMatrix();
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_LIGHTING);
}
