#include "web/matrix.h"

#include <cmath>
#include <cstddef>

namespace {

constexpr double kPi = 3.14159265358979323846;

void cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

void Normalize(float v[3]) {
  const float r = static_cast<float>(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
  if (r == 0) return;
  for (int i = 0; i < 3; ++i) v[i] /= r;
}

Matrix Product(const Matrix& a, const Matrix& b) {
  Matrix p;
  for (std::size_t i = 0; i < 4; ++i) {
    const float ai0 = a[i], ai1 = a[4 + i], ai2 = a[8 + i], ai3 = a[12 + i];
    for (std::size_t j = 0; j < 4; ++j)
      p[j * 4 + i] = ai0 * b[j * 4] + ai1 * b[j * 4 + 1] + ai2 * b[j * 4 + 2] + ai3 * b[j * 4 + 3];
  }
  return p;
}

Vector4 Transform(const Matrix& m, float x, float y, float z, float w) {
  Vector4 v;
  for (std::size_t r = 0; r < 4; ++r) v[r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r] * w;
  return v;
}

Matrix Rotation(float degrees, float x, float y, float z) {
  const float s = static_cast<float>(std::sin(degrees * kPi / 180.0));
  const float c = static_cast<float>(std::cos(degrees * kPi / 180.0));
  Matrix m = kIdentity;
  // Rotations about an axis are exact where the general form would round.
  if (x == 0 && y == 0 && z != 0) {
    m[0] = c, m[5] = c, m[1] = z < 0 ? -s : s, m[4] = z < 0 ? s : -s;
  } else if (x == 0 && z == 0 && y != 0) {
    m[0] = c, m[10] = c, m[8] = y < 0 ? -s : s, m[2] = y < 0 ? s : -s;
  } else if (y == 0 && z == 0 && x != 0) {
    m[5] = c, m[10] = c, m[6] = x < 0 ? -s : s, m[9] = x < 0 ? s : -s;
  } else {
    float axis[3] = {x, y, z};
    if (std::sqrt(x * x + y * y + z * z) <= 1.0e-4f) return m;
    Normalize(axis);
    const float oneC = 1 - c;
    const float ax = axis[0], ay = axis[1], az = axis[2];
    m[0] = oneC * ax * ax + c, m[4] = oneC * ax * ay - az * s, m[8] = oneC * az * ax + ay * s;
    m[1] = oneC * ax * ay + az * s, m[5] = oneC * ay * ay + c, m[9] = oneC * ay * az - ax * s;
    m[2] = oneC * az * ax - ay * s, m[6] = oneC * ay * az + ax * s, m[10] = oneC * az * az + c;
  }
  return m;
}

Matrix Translated(const Matrix& m, float x, float y, float z) {
  Matrix t = m;
  const Vector4 column = Transform(m, x, y, z, 1);
  for (std::size_t r = 0; r < 4; ++r) t[12 + r] = column[r];
  return t;
}

bool Perspective(double fovyDegrees, double aspect, double zNear, double zFar, Matrix& m) {
  const double radians = fovyDegrees / 2 * kPi / 180;
  const double deltaZ = zFar - zNear;
  const double sine = std::sin(radians);
  if (deltaZ == 0 || sine == 0 || aspect == 0) return false;
  const double cotangent = std::cos(radians) / sine;
  m = Matrix{};
  m[0] = static_cast<float>(cotangent / aspect);
  m[5] = static_cast<float>(cotangent);
  m[10] = static_cast<float>(-(zFar + zNear) / deltaZ);
  m[11] = -1;
  m[14] = static_cast<float>(-2 * zNear * zFar / deltaZ);
  return true;
}

Matrix LookAtTurn(const double eye[3], const double centre[3], const double up[3]) {
  float forward[3], upward[3], side[3];
  for (int i = 0; i < 3; ++i) {
    forward[i] = static_cast<float>(centre[i] - eye[i]);
    upward[i] = static_cast<float>(up[i]);
  }
  Normalize(forward);
  cross(forward, upward, side);
  Normalize(side);
  cross(side, forward, upward);
  Matrix m = kIdentity;
  m[0] = side[0], m[4] = side[1], m[8] = side[2];
  m[1] = upward[0], m[5] = upward[1], m[9] = upward[2];
  m[2] = -forward[0], m[6] = -forward[1], m[10] = -forward[2];
  return m;
}
