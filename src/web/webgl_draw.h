// The WebGL side of the layer: the one GLSL program that draws points
// already transformed to clip space and lit, and the few pieces of WebGL
// state the core sets. Enum values are OpenGL's, which WebGL shares.
#pragma once

#include <cstdint>

// One point as WebGL draws it: its position in normalized device
// coordinates (clip space with w = 1) and an 8-bit RGBA colour.
struct PointVertex {
  float ndc[3];
  std::uint8_t rgba[4];
};

struct SpriteFrame;

// False when the programs do not build (the reason is on the console).
bool StartWebGlDraw();
void DrawPoints(const PointVertex* points, int count, float pointSize);
// The rectangles of texels, with the depth test and blending off while they
// draw (depthTest and blend say what to turn back on).
void DrawSprites(const SpriteFrame& frame, bool depthTest, bool blend);
// The largest texture side this context takes, in texels.
int MaxTextureSize();

void SetWebGlViewport(int x, int y, int width, int height);
void SetWebGlClearColor(float red, float green, float blue, float alpha);
void ClearWebGl(unsigned mask);
void EnableWebGl(unsigned capability);
void SetWebGlBlend(unsigned source, unsigned destination);

// The drawing buffer's RGBA bytes, width x height x 4, bottom row first.
void ReadWebGlPixels(int width, int height, unsigned char* rgba);
