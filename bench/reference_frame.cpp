#include "reference_frame.h"

#include "core/funcs.h"
#include "core/gl.h"

namespace {

struct ReferenceFlake {
  GLfloat angle, x, y, z;
  GLfloat vx[36], vy[36];
};
ReferenceFlake flakes[kFlakeCount];

}  // namespace

void PrepareReferenceFrame() {
  for (int i = 0; i < kFlakeCount; ++i) {
    ReferenceFlake& f = flakes[i];
    f.angle = static_cast<GLfloat>(FlakeTable.Depth[i] * 100);
    f.x = static_cast<GLfloat>(FlakeTable.PosX[i]);
    f.y = static_cast<GLfloat>(FlakeTable.Height[i]);
    f.z = static_cast<GLfloat>(FlakeTable.Depth[i]);
    int n = 0;
    for (int k = 0; k < 6; ++k)
      for (int j = 0; j <= 2 * k; ++j, ++n) {
        f.vx[n] = static_cast<GLfloat>(3 * FlakeTable.LatticeX[i][k][j] / 50);
        f.vy[n] = static_cast<GLfloat>(3 * FlakeTable.LatticeY[i][k][j] / 50);
      }
  }
}

void DrawReferenceFrame() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  for (const ReferenceFlake& f : flakes) {
    glPushMatrix();
    glRotatef(f.angle, 0, 1, 0);
    glTranslatef(f.x, f.y, f.z);
    for (int arm = 0; arm < 6; ++arm) {
      glPushMatrix();
      glRotatef(static_cast<GLfloat>(arm * 60), 0, 0, 1);
      glPointSize(1);
      glBegin(GL_POINTS);
      for (int n = 0; n < 36; ++n) {
        glColor3f(1, 1, 1);
        glVertex3f(f.vx[n], f.vy[n], 0);
      }
      glEnd();
      glPopMatrix();
    }
    glPopMatrix();
  }
}
