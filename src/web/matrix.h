// The fixed-function layer's matrix arithmetic: 4 x 4 float matrices built
// as Mesa and GLU build them, so the page's frame comes out as the native
// one does. Column-major, as GL keeps them: element (row, column) at
// column * 4 + row.
#pragma once

#include <array>

using Matrix = std::array<float, 16>;
using Vector4 = std::array<float, 4>;

constexpr Matrix kIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// v scaled to length 1 (left as it is when 0).
void Normalize(float v[3]);

// a x b.
Matrix Product(const Matrix& a, const Matrix& b);

// m x (x, y, z, w): a vertex or a light position carried through m.
Vector4 Transform(const Matrix& m, float x, float y, float z, float w);

// glRotatef's matrix: degrees about the axis (x, y, z); the identity for an
// axis shorter than 1e-4, as Mesa leaves the matrix alone then.
Matrix Rotation(float degrees, float x, float y, float z);

// m x glTranslatef(x, y, z), with m's last column computed in place as Mesa does.
Matrix Translated(const Matrix& m, float x, float y, float z);

// gluPerspective's matrix; false (and m untouched) where GLU changes nothing:
// a zero depth range, field of view or aspect.
bool Perspective(double fovyDegrees, double aspect, double zNear, double zFar, Matrix& m);

// gluLookAt's turn towards the centre; GLU multiplies by it and then
// translates by -eye, each rounded in turn, and so must a caller.
Matrix LookAtTurn(const double eye[3], const double centre[3], const double up[3]);
