#include "reference_frame.h"

#include "core/gl.h"

namespace {

struct ReferenceFlake {
  GLfloat angle, x, y, z;  // sway angle (degrees) and position
  GLfloat vx[36], vy[36];
};
ReferenceFlake flakes[kFlakeCount];

}  // namespace

void PrepareReferenceFrame(const FlakeField& field) {
  for (int i = 0; i < kFlakeCount; ++i) {
    ReferenceFlake& f = flakes[i];
    f.angle = 0;  // the still frame: no sway
    f.x = static_cast<GLfloat>(field.PosX[i]);
    f.y = static_cast<GLfloat>(field.Height[i]);
    f.z = static_cast<GLfloat>(field.Depth[i]);
    int n = 0;
    for (int k = 0; k < 6; ++k)
      for (int j = 0; j <= 2 * k; ++j, ++n) {
        f.vx[n] = static_cast<GLfloat>(3 * field.LatticeX[i][k][j] / 50);
        f.vy[n] = static_cast<GLfloat>(3 * field.LatticeY[i][k][j] / 50);
      }
  }
}

void SetupReferenceScene(int width, int height) {
  glClearColor(0, 0, 0, 0);
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45, static_cast<double>(width) / height, 0.1, 100);
  gluLookAt(0, 0, 5, 0, 0, 0, 0, 1, 0);
  glEnable(GL_ALPHA_TEST);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_COLOR_MATERIAL);
  glEnable(GL_LIGHTING);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  const GLfloat diffuse[4] = {0.9f, 0.9f, 0.9f, 0.7f}, position[4] = {5, 0, 15, 0.7f};
  glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT1, GL_POSITION, position);
  glEnable(GL_LIGHT1);
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
