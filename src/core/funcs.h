// The flake model: the table of 101 flakes, the generator that gives a flake
// its shape and place, and the per-frame step that moves and draws them.
// Main thread only.
#pragma once

#include <cstdint>

constexpr int kFlakeCount = 101;    // flake indices 0..100
constexpr int kLatticeRings = 11;   // grid size; rings 0..5 are filled
constexpr int kLatticePoints = 21;  // grid size; ring k fills points 0..2k
constexpr int kDrawnRings = 6;
constexpr int kArms = 6;
constexpr double kRebirthLimit = -3.0;  // a flake strictly below this is reborn

// Parallel arrays, zero at start, filled by SeedFlakeTable.
struct FlakeTableArrays {
  double PosX[kFlakeCount];    // scene units, -3.00 .. -0.01, before the sway
  double Height[kFlakeCount];  // scene units; born at 2.50 .. 10.49
  double Depth[kFlakeCount];   // scene units, -2.49 .. 0 (away from the camera)
  double LatticeX[kFlakeCount][kLatticeRings][kLatticePoints];  // lattice units
  double LatticeY[kFlakeCount][kLatticeRings][kLatticePoints];  // +y is the arm's axis
};
extern FlakeTableArrays FlakeTable;

// Sway about the vertical axis: SwayAngle swings between 0 and a random turn
// in 500..1999 (plus at most one step), SwayStep is its per-frame increment.
extern double SwayAngle;
extern double SwayStep;

// Uniform integer in 0..n-1 from the one process-wide generator; 0 for n <= 0.
int RandomInt(int n);
void SeedRandom(std::uint32_t seed);

// Ring k's radius and point j's angle from the arm's axis (radians), computed
// directly from k and j so the +30 degree point always stays in its ring.
double RingRadius(int k);
double RingPointAngle(int k, int j);

// Rings 0..5 of flake i's lattice for the two shape parameters.
void FillLattice(int i, double angularWarp, double radialWarp);

// New random shape and place for flake i (0..100); five random draws.
void GenerateFlake(int i);

// Seeds the generator from the clock (or the given seed) and generates all
// flakes, each lowered by 4.2 so part of the field is in view at once.
void SeedFlakeTable();
void SeedFlakeTable(std::uint32_t seed);

// Number of flakes a frame processes for a Satiation: Satiation * 10 + 1,
// never more than the table holds; 0 for a negative Satiation.
int FlakesToDraw(std::int32_t satiation);

// The model's part of a frame: the sway advances (one random draw), flakes
// 0 .. Satiation * 10 fall and those strictly below -3 are reborn. Returns
// how many flakes the frame draws.
int StepFlakes();

// Flakes 0 .. count-1 as six arms of white points each, in immediate mode
// into the current context; the matrix stack is left as it was found. Each
// value is formed in double and rounded once to float.
void DrawFlakes(int count);

// One frame of the model: StepFlakes, then DrawFlakes. No GL call depends on
// the model's later flakes, so stepping all before drawing any gives the
// same calls and the same state as interleaving them flake by flake.
void StepAndDrawFlakes();
