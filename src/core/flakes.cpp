#include "core/flakes.h"

#include <chrono>
#include <cmath>

#include "core/gl.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
double square(double x) { return x * x; }

}  // namespace

int RandomInt(FlakeField& field, int n) {
  if (n <= 0) return 0;
  // Rejection keeps the draw uniform; never more than a few tries.
  const std::uint32_t range = static_cast<std::uint32_t>(n);
  const std::uint32_t limit = std::uint32_t{0xFFFFFFFFu} - (std::uint32_t{0xFFFFFFFFu} % range);
  std::uint32_t x;
  do {
    x = static_cast<std::uint32_t>(field.Random());
  } while (x >= limit);
  return static_cast<int>(x % range);
}

double RingRadius(int k) { return 0.01 + 0.2 * k; }

double RingPointAngle(int k, int j) {
  if (k == 0) return -kPi / 6;
  return -kPi / 6 + j * (kPi / (6.0 * k));
}

void FillLattice(FlakeField& field, int i, double angularWarp, double radialWarp) {
  for (int k = 0; k < kDrawnRings; ++k) {
    const double r = RingRadius(k);
    const double radial = std::cos(square(3 * radialWarp * r));
    for (int j = 0; j <= 2 * k; ++j) {
      const double theta = RingPointAngle(k, j);
      field.LatticeX[i][k][j] = std::sin(theta) * r * radial * std::cos(r);
      field.LatticeY[i][k][j] =
          std::cos(theta) * r + std::sin(square(5 * angularWarp * theta)) / 5;
    }
  }
}

void GenerateFlake(FlakeField& field, int i) {
  const double angularWarp = RandomInt(field, 700) / 200.0 - 0.5;
  const double radialWarp = RandomInt(field, 700) / 200.0 - 0.5;
  field.PosX[i] = RandomInt(field, 300) / 100.0 - 3;
  field.Height[i] = RandomInt(field, 800) / 100.0 + 2.5;
  field.Depth[i] = -RandomInt(field, 250) / 100.0;
  FillLattice(field, i, angularWarp, radialWarp);
}

void SeedFlakeTable(FlakeField& field, std::uint32_t seed) {
  field.Random.seed(seed);
  for (int i = 0; i < kFlakeCount; ++i) {
    GenerateFlake(field, i);
    field.Height[i] -= 4.2;
  }
}

double FirstSwayStep(std::int32_t fast) { return static_cast<double>(fast) / 5; }

void SeedFlakeTable(FlakeField& field) {
  const auto ticks = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  SeedFlakeTable(field, static_cast<std::uint32_t>(ticks));
}

int FlakesToDraw(std::int32_t satiation) {
  if (satiation < 0) return 0;
  if (satiation >= kFlakeCount / 10) return kFlakeCount;  // clamps a stored value above 10
  return satiation * 10 + 1;
}

int StepFlakes(FlakeField& field, const Settings& settings) {
  field.SwayAngle += field.SwayStep;
  if (RandomInt(field, 1500) + 500 <= field.SwayAngle) field.SwayStep = -0.5;
  if (field.SwayAngle <= 0) field.SwayStep = 0.5;

  const int count = FlakesToDraw(settings.FlakeCount);
  const double fall = settings.Speed * 0.005;
  for (int i = 0; i < count; ++i) {
    field.Height[i] -= fall;
    if (field.Height[i] < kRebirthLimit) GenerateFlake(field, i);
  }
  return count;
}

void DrawFlakes(const FlakeField& field, const Settings& settings, int count) {
  if (count < 0) count = 0;
  if (count > kFlakeCount) count = kFlakeCount;
  const double size = settings.Size;
  const double color = settings.SwayRate;
  // Colour and point size are state: set once, every point gets them.
  glColor3f(1.0f, 1.0f, 1.0f);
  glPointSize(1.0f);
  glEnableClientState(GL_VERTEX_ARRAY);
  // One flake's points at a time: GL reads a client array when it draws, so
  // the next flake may fill the same few hundred bytes.
  GLfloat xyz[kPointsPerArm][3];
  glVertexPointer(3, GL_FLOAT, 0, xyz);
  for (int i = 0; i < count; ++i) {
    int n = 0;
    for (int k = 0; k < kDrawnRings; ++k) {
      for (int j = 0; j <= 2 * k; ++j, ++n) {
        xyz[n][0] = static_cast<GLfloat>(size * field.LatticeX[i][k][j] / 50);
        xyz[n][1] = static_cast<GLfloat>(size * field.LatticeY[i][k][j] / 50);
        xyz[n][2] = 0.0f;
      }
    }
    glPushMatrix();
    glRotatef(static_cast<GLfloat>(field.SwayAngle * field.Depth[i] * color / 5), 0.0f, 1.0f, 0.0f);
    glTranslatef(static_cast<GLfloat>(field.PosX[i]), static_cast<GLfloat>(field.Height[i]),
                 static_cast<GLfloat>(field.Depth[i]));
    for (int arm = 0; arm < kArms; ++arm) {
      glPushMatrix();
      glRotatef(static_cast<GLfloat>(arm * 60), 0.0f, 0.0f, 1.0f);
      glDrawArrays(GL_POINTS, 0, kPointsPerArm);
      glPopMatrix();
    }
    glPopMatrix();
  }
  glDisableClientState(GL_VERTEX_ARRAY);
}

void StartField(FlakeField& field, double firstSwayStep) {
  SeedFlakeTable(field);
  field.SwayAngle = 0;
  field.SwayStep = firstSwayStep;
}

void StartField(FlakeField& field, double firstSwayStep, std::uint32_t seed) {
  SeedFlakeTable(field, seed);
  field.SwayAngle = 0;
  field.SwayStep = firstSwayStep;
}
