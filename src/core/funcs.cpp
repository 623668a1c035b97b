#include "core/funcs.h"

#include <chrono>
#include <cmath>
#include <random>

#include "core/Settings.h"
#include "core/gl.h"

FlakeTableArrays FlakeTable;
double SwayAngle = 0.0;
double SwayStep = 0.0;

namespace {

constexpr double kPi = 3.14159265358979323846;
double square(double x) { return x * x; }
std::mt19937 generator;  // NOLINT: the one process-wide generator

}  // namespace

void SeedRandom(std::uint32_t seed) { generator.seed(seed); }

int RandomInt(int n) {
  if (n <= 0) return 0;
  // Rejection keeps the draw uniform; never more than a few tries.
  const std::uint32_t range = static_cast<std::uint32_t>(n);
  const std::uint32_t limit = std::uint32_t{0xFFFFFFFFu} - (std::uint32_t{0xFFFFFFFFu} % range);
  std::uint32_t x;
  do {
    x = static_cast<std::uint32_t>(generator());
  } while (x >= limit);
  return static_cast<int>(x % range);
}

double RingRadius(int k) { return 0.01 + 0.2 * k; }

double RingPointAngle(int k, int j) {
  if (k == 0) return -kPi / 6;
  return -kPi / 6 + j * (kPi / (6.0 * k));
}

void FillLattice(int i, double angularWarp, double radialWarp) {
  for (int k = 0; k < kDrawnRings; ++k) {
    const double r = RingRadius(k);
    const double radial = std::cos(square(3 * radialWarp * r));
    for (int j = 0; j <= 2 * k; ++j) {
      const double theta = RingPointAngle(k, j);
      FlakeTable.LatticeX[i][k][j] = std::sin(theta) * r * radial * std::cos(r);
      FlakeTable.LatticeY[i][k][j] =
          std::cos(theta) * r + std::sin(square(5 * angularWarp * theta)) / 5;
    }
  }
}

void GenerateFlake(int i) {
  const double angularWarp = RandomInt(700) / 200.0 - 0.5;
  const double radialWarp = RandomInt(700) / 200.0 - 0.5;
  FlakeTable.PosX[i] = RandomInt(300) / 100.0 - 3;
  FlakeTable.Height[i] = RandomInt(800) / 100.0 + 2.5;
  FlakeTable.Depth[i] = -RandomInt(250) / 100.0;
  FillLattice(i, angularWarp, radialWarp);
}

void SeedFlakeTable(std::uint32_t seed) {
  SeedRandom(seed);
  for (int i = 0; i < kFlakeCount; ++i) {
    GenerateFlake(i);
    FlakeTable.Height[i] -= 4.2;
  }
}

void SeedFlakeTable() {
  const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  SeedFlakeTable(static_cast<std::uint32_t>(ticks));
}

int FlakesToDraw(std::int32_t satiation) {
  if (satiation < 0) return 0;
  if (satiation >= kFlakeCount / 10) return kFlakeCount;  // clamps a stored value above 10
  return satiation * 10 + 1;
}

int StepFlakes() {
  SwayAngle += SwayStep;
  if (RandomInt(1500) + 500 <= SwayAngle) SwayStep = -0.5;
  if (SwayAngle <= 0) SwayStep = 0.5;

  const int count = FlakesToDraw(SaverSettings.Satiation);
  const double fall = SaverSettings.Fast * 0.005;
  for (int i = 0; i < count; ++i) {
    FlakeTable.Height[i] -= fall;
    if (FlakeTable.Height[i] < kRebirthLimit) GenerateFlake(i);
  }
  return count;
}

void DrawFlakes(int count) {
  const double size = SaverSettings.Size;
  const double color = SaverSettings.Color;
  for (int i = 0; i < count; ++i) {
    glPushMatrix();
    glRotatef(static_cast<GLfloat>(SwayAngle * FlakeTable.Depth[i] * color / 5), 0.0f, 1.0f, 0.0f);
    glTranslatef(static_cast<GLfloat>(FlakeTable.PosX[i]), static_cast<GLfloat>(FlakeTable.Height[i]),
                 static_cast<GLfloat>(FlakeTable.Depth[i]));
    const auto& latticeX = FlakeTable.LatticeX[i];
    const auto& latticeY = FlakeTable.LatticeY[i];
    for (int arm = 0; arm < kArms; ++arm) {
      glPushMatrix();
      glRotatef(static_cast<GLfloat>(arm * 60), 0.0f, 0.0f, 1.0f);
      glPointSize(1.0f);
      glBegin(GL_POINTS);
      for (int k = 0; k < kDrawnRings; ++k) {
        for (int j = 0; j <= 2 * k; ++j) {
          glColor3f(1.0f, 1.0f, 1.0f);
          glVertex3f(static_cast<GLfloat>(size * latticeX[k][j] / 50),
                     static_cast<GLfloat>(size * latticeY[k][j] / 50), 0.0f);
        }
      }
      glEnd();
      glPopMatrix();
    }
    glPopMatrix();
  }
}

void StepAndDrawFlakes() { DrawFlakes(StepFlakes()); }
