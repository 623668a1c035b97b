// The fixed-function OpenGL the core draws with (web/gl/GL/gl.h), carried
// out on the current WebGL 1 context by one GLSL program. Points are lit and
// transformed as GL 1.1 would and collected; a frame's points reach WebGL in
// one draw, at the swap or before any call that changes what they depend on.
#pragma once

// Builds the program and buffer on the current WebGL context and resets the
// fixed-function state to GL's defaults. False when the program will not build.
bool StartWebGlLayer();

// Draws the points collected so far. The page calls it where a native
// platform swaps buffers.
void FlushPoints();
