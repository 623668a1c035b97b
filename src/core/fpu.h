// Puts the process's floating point into the mode the drawing relies on.
#pragma once

// Masks every floating-point exception (a division by zero gives an infinity
// or a NaN and never traps), rounds to nearest, and gives x87 arithmetic its
// full 64-bit significand. Called first thing at start-up.
void MaskFloatingPointExceptions();
