// The flake field: a table of 101 flakes, the generator that gives a flake
// its shape and place, and the per-frame step that moves and draws them.
// A field is a plain value; every window that draws flakes owns one.
#pragma once

#include <cstdint>
#include <random>

#include "core/settings.h"

constexpr int kFlakeCount = 101;    // flake indices 0..100
constexpr int kLatticeRings = 11;   // grid size; rings 0..5 are filled
constexpr int kLatticePoints = 21;  // grid size; ring k fills points 0..2k
constexpr int kDrawnRings = 6;
constexpr int kArms = 6;
constexpr double kRebirthLimit = -3.0;  // a flake strictly below this is reborn

// Zero when made, filled by SeedFlakeTable. About 380 KB: keep it off the stack.
struct FlakeField {
  double PosX[kFlakeCount]{};    // scene units, -3.00 .. -0.01, before the sway
  double Height[kFlakeCount]{};  // scene units; born at 2.50 .. 10.49
  double Depth[kFlakeCount]{};   // scene units, -2.49 .. 0 (away from the camera)
  double LatticeX[kFlakeCount][kLatticeRings][kLatticePoints]{};  // lattice units
  double LatticeY[kFlakeCount][kLatticeRings][kLatticePoints]{};  // +y is the arm's axis
  // Sway about the vertical axis, in degrees per unit of depth: SwayAngle
  // swings between 0 and a random turn in 500..1999 (plus at most one step),
  // SwayStep is its per-frame increment.
  double SwayAngle = 0;
  double SwayStep = 0;
  std::mt19937 Random;  // this field's own generator
};

// Uniform integer in 0..n-1 from the field's generator; 0 for n <= 0.
int RandomInt(FlakeField& field, int n);

// Ring k's radius and point j's angle from the arm's axis (radians), computed
// directly from k and j so the +30 degree point always stays in its ring.
double RingRadius(int k);
double RingPointAngle(int k, int j);

// Rings 0..5 of flake i's lattice for the two shape parameters.
void FillLattice(FlakeField& field, int i, double angularWarp, double radialWarp);

// New random shape and place for flake i (0..100); five random draws.
void GenerateFlake(FlakeField& field, int i);

// Seeds the field's generator from the clock (or the given seed) and
// generates all flakes, each lowered by 4.2 so part of the field is in view
// at once. The sway is left as it was.
void SeedFlakeTable(FlakeField& field);
void SeedFlakeTable(FlakeField& field, std::uint32_t seed);

// The sway's first per-frame step for a Speed, in degrees per unit of depth:
// Speed / 5. A new field starts with it; StepFlakes reverses it later.
double FirstSwayStep(std::int32_t fast);
// The preview's first sway step, whatever its settings.
constexpr double kPreviewFirstSwayStep = 0.5;

// How every new field starts, on every platform: seeded from the clock (or
// the given seed), the sway at 0 and its first step set.
void StartField(FlakeField& field, double firstSwayStep);
void StartField(FlakeField& field, double firstSwayStep, std::uint32_t seed);

// Number of flakes a frame processes for a FlakeCount: FlakeCount * 10 + 1,
// never more than the table holds; 0 for a negative FlakeCount.
int FlakesToDraw(std::int32_t satiation);

// The model's part of a frame: the sway advances (one random draw), flakes
// 0 .. FlakeCount * 10 fall and those strictly below -3 are reborn. Returns
// how many flakes the frame draws.
int StepFlakes(FlakeField& field, const Settings& settings);

// Points a flake arm draws: rings 0..5 with 2k + 1 points each.
constexpr int kPointsPerArm = 36;
static_assert(kDrawnRings * kDrawnRings == kPointsPerArm, "ring k holds 2k + 1 points");

// Flakes 0 .. count-1 (clamped to 0..kFlakeCount) as six arms of white
// points each into the current context, through a client vertex array (GL
// 1.1): a flake's lattice points scaled by Size, each coordinate formed in
// double and rounded once to float, drawn once per arm under that arm's
// rotation. The vertex array client state is left disabled, the current
// colour white, the point size 1 and the matrix stack as it was found.
void DrawFlakes(const FlakeField& field, const Settings& settings, int count);
