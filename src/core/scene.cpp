#include "core/scene.h"

#include "core/gl.h"

double AspectRatio(int width, int height) {
  if (height == 0) return 1.0;
  return static_cast<double>(static_cast<float>(static_cast<double>(width) / height));
}

void SetupProjection(int viewWidth, int viewHeight, int aspectWidth, int aspectHeight) {
  glViewport(0, 0, viewWidth, viewHeight);
  const double aspect = AspectRatio(aspectWidth, aspectHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, aspect, 0.1, 100.0);
  gluLookAt(0.0, 0.0, 5.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
  glMatrixMode(GL_PROJECTION);
}

namespace {

void setupSceneLights() {
  glEnable(GL_ALPHA_TEST);
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_COLOR_MATERIAL);
  glEnable(GL_LIGHTING);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  static const GLfloat diffuse[4] = {0.9f, 0.9f, 0.9f, 0.7f};
  static const GLfloat position[4] = {5.0f, 0.0f, 15.0f, 0.7f};
  glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT1, GL_POSITION, position);
  glEnable(GL_LIGHT1);
}

}  // namespace

void SetupScene(int viewWidth, int viewHeight, int aspectWidth, int aspectHeight) {
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  SetupProjection(viewWidth, viewHeight, aspectWidth, aspectHeight);
  setupSceneLights();
}

void DrawFrame(FlakeField& field, const Settings& settings) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  DrawFlakes(field, settings, StepFlakes(field, settings));
}
