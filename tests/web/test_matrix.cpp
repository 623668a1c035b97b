// The WebGL layer's matrices beside the ones Mesa builds for the same calls
// (OSMesa), so a slip in the arithmetic shows without a browser.
#include <gtest/gtest.h>

#include <GL/glu.h>

#include <functional>
#include <string>

#include "offscreen.h"
#include "web/matrix.h"

namespace {

// Mesa's matrix after calls on an identity model-view.
Matrix mesas(const std::function<void()>& calls) {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  calls();
  Matrix m;
  glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
  return m;
}

// Equal to within a float's last bits: a slip in an index, a sign or an
// order of factors is off by far more.
void expectNear(const Matrix& ours, const Matrix& mesa, const std::string& what) {
  for (std::size_t i = 0; i < 16; ++i)
    EXPECT_NEAR(ours[i], mesa[i], 1e-6f * (1 + std::fabs(mesa[i]))) << what << ", element " << i;
}

}  // namespace

TEST(LayerMatrix, TurnsMovesAndCamerasAsMesaDoes) {
  OffscreenContext context(4, 4);
  ASSERT_TRUE(context.ok());
  struct Turn {
    float degrees, x, y, z;
  };
  const Turn turns[] = {{60, 0, 0, 1}, {300, 0, 0, 1}, {-17.5f, 0, 1, 0}, {123.4f, 0, -2, 0},
                        {45, 1, 0, 0}, {-90, -1, 0, 0}, {33, 1, 2, 3},     {10, 0, 0, 0}};
  for (const Turn& t : turns) {
    const std::string what = "rotate " + std::to_string(t.degrees) + " about (" + std::to_string(t.x) + ", " +
                             std::to_string(t.y) + ", " + std::to_string(t.z) + ")";
    // On a moved and turned matrix, so the product's order counts too.
    const Matrix start = Translated(Rotation(20, 0, 1, 0), 0.5f, -1.25f, -2);
    const Matrix mesa = mesas([&] {
      glRotatef(20, 0, 1, 0);
      glTranslatef(0.5f, -1.25f, -2);
      glRotatef(t.degrees, t.x, t.y, t.z);
    });
    expectNear(Product(start, Rotation(t.degrees, t.x, t.y, t.z)), mesa, what);
  }
  const double eye[3] = {0, 0, 5}, centre[3] = {0.3, -0.2, 0}, up[3] = {0, 1, 0.1};
  for (const double aspect : {16.0 / 9, 0.5, 1.0}) {
    Matrix ours;
    ASSERT_TRUE(Perspective(45, aspect, 0.1, 100, ours));
    ours = Product(ours, LookAtTurn(eye, centre, up));
    ours = Translated(ours, -0, -0, -5);
    const Matrix mesa = mesas([&] {
      gluPerspective(45, aspect, 0.1, 100);
      gluLookAt(eye[0], eye[1], eye[2], centre[0], centre[1], centre[2], up[0], up[1], up[2]);
    });
    expectNear(ours, mesa, "perspective and look-at, aspect " + std::to_string(aspect));
  }
  Matrix untouched = kIdentity;
  EXPECT_FALSE(Perspective(45, 1, 1, 1, untouched)) << "GLU leaves the matrix alone for a zero depth range";
  EXPECT_EQ(untouched, kIdentity);
}

TEST(LayerMatrix, CarriesALightPositionAsMesaDoes) {
  OffscreenContext context(4, 4);
  ASSERT_TRUE(context.ok());
  const Matrix turned = Translated(Rotation(-35, 0, 0, 1), 1, 2, -3);
  for (const Vector4& p : {Vector4{0, 0, 1, 0}, Vector4{2, -1, 4, 1}, Vector4{1, 2, 3, 2}}) {
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(turned.data());
    glLightfv(GL_LIGHT0, GL_POSITION, p.data());
    Vector4 mesa;
    glGetLightfv(GL_LIGHT0, GL_POSITION, mesa.data());
    const Vector4 ours = Transform(turned, p[0], p[1], p[2], p[3]);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(ours[i], mesa[i], 1e-6f * (1 + std::fabs(mesa[i]))) << i;
  }
}
