#include "web/webgl_draw.h"

#include <GLES2/gl2.h>

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <utility>
#include <cstdio>

#include "web/point_sprites.h"

namespace {

constexpr GLuint kPositionSlot = 0;
constexpr GLuint kColourSlot = 1;
constexpr GLuint kCornerSlot = 2;

const char* const kVertexShader =
    "attribute vec4 position;  // w is 1: the layer has divided through\n"
    "attribute vec4 colour;\n"
    "uniform float pointSize;\n"
    "varying vec4 pointColour;\n"
    "void main() {\n"
    "  gl_Position = position;\n"
    "  gl_PointSize = pointSize;\n"
    "  pointColour = colour;\n"
    "}\n";

const char* const kFragmentShader =
    "precision mediump float;\n"
    "varying vec4 pointColour;\n"
    "void main() { gl_FragColor = pointColour; }\n";

// A rectangle's corner: where it goes and which atlas texel (in texels) it takes.
const char* const kSpriteVertexShader =
    "attribute vec4 corner;\n"
    "uniform vec2 atlasSize;\n"
    "varying vec2 texel;\n"
    "void main() {\n"
    "  gl_Position = vec4(corner.xy, 0.0, 1.0);\n"
    "  texel = corner.zw / atlasSize;\n"
    "}\n";

// Texels without a point (alpha 0) leave the pixel alone.
const char* const kSpriteFragmentShader =
    "#ifdef GL_FRAGMENT_PRECISION_HIGH\n"
    "precision highp float;\n"
    "#else\n"
    "precision mediump float;\n"
    "#endif\n"
    "uniform sampler2D atlas;\n"
    "varying vec2 texel;\n"
    "void main() {\n"
    "  vec4 colour = texture2D(atlas, texel);\n"
    "  if (colour.a == 0.0) discard;\n"
    "  gl_FragColor = colour;\n"
    "}\n";

GLuint pointProgram = 0;
GLuint pointBuffer = 0;
GLint pointSizeUniform = -1;
GLsizeiptr bufferBytes = 0;  // what the point buffer holds room for
GLuint spriteProgram = 0;
GLuint spriteBuffer = 0;
GLuint atlasTexture = 0;
GLint atlasSizeUniform = -1;
int atlasWidth = 0;  // the texture's size in texels
int atlasHeight = 0;
GLenum atlasFormat = GL_RGBA;
int maxTextureSize = 0;

GLuint compiled(GLenum kind, const char* source) {
  const GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) {
    char log[512] = {};
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    std::fprintf(stderr, "flindra: a WebGL shader did not compile: %s\n", log);
  }
  return shader;
}

// Links a program from two shaders with the given attribute slots; 0 when it does not link.
GLuint linked(const char* vertex, const char* fragment, std::initializer_list<std::pair<GLuint, const char*>> slots) {
  const GLuint program = glCreateProgram();
  glAttachShader(program, compiled(GL_VERTEX_SHADER, vertex));
  glAttachShader(program, compiled(GL_FRAGMENT_SHADER, fragment));
  for (const auto& [slot, name] : slots) glBindAttribLocation(program, slot, name);
  glLinkProgram(program);
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok == GL_TRUE) return program;
  std::fprintf(stderr, "flindra: a WebGL program did not link\n");
  return 0;
}

// The point program, its buffer and attributes as DrawPoints leaves them.
void usePoints() {
  glUseProgram(pointProgram);
  glBindBuffer(GL_ARRAY_BUFFER, pointBuffer);
  glDisableVertexAttribArray(kCornerSlot);
  glEnableVertexAttribArray(kPositionSlot);
  glEnableVertexAttribArray(kColourSlot);
  glVertexAttribPointer(kPositionSlot, 3, GL_FLOAT, GL_FALSE, sizeof(PointVertex),
                        reinterpret_cast<const void*>(offsetof(PointVertex, ndc)));
  glVertexAttribPointer(kColourSlot, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(PointVertex),
                        reinterpret_cast<const void*>(offsetof(PointVertex, rgba)));
}

}  // namespace

bool StartWebGlDraw() {
  // A context given back has lost every object of the old one.
  bufferBytes = 0;
  atlasWidth = atlasHeight = 0;
  atlasFormat = GL_RGBA;
  pointProgram = linked(kVertexShader, kFragmentShader, {{kPositionSlot, "position"}, {kColourSlot, "colour"}});
  spriteProgram = linked(kSpriteVertexShader, kSpriteFragmentShader, {{kCornerSlot, "corner"}});
  if (pointProgram == 0 || spriteProgram == 0) return false;
  pointSizeUniform = glGetUniformLocation(pointProgram, "pointSize");
  atlasSizeUniform = glGetUniformLocation(spriteProgram, "atlasSize");
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
  glGenBuffers(1, &pointBuffer);
  glGenBuffers(1, &spriteBuffer);
  glGenTextures(1, &atlasTexture);
  glBindTexture(GL_TEXTURE_2D, atlasTexture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  usePoints();
  return true;
}

int MaxTextureSize() { return maxTextureSize; }

void DrawSprites(const SpriteFrame& frame, bool depthTest, bool blend) {
  glUseProgram(spriteProgram);
  glBindTexture(GL_TEXTURE_2D, atlasTexture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  // The texture only grows (its height in powers of two), so most frames refill it in place.
  const GLenum format = frame.bytesPerTexel == 2 ? GL_LUMINANCE_ALPHA : GL_RGBA;
  if (frame.atlasWidth > atlasWidth || frame.atlasHeight > atlasHeight || format != atlasFormat) {
    atlasWidth = std::max(atlasWidth, frame.atlasWidth);
    while (atlasHeight < frame.atlasHeight) atlasHeight = atlasHeight == 0 ? 64 : atlasHeight * 2;
    atlasHeight = std::min(atlasHeight, maxTextureSize);
    atlasFormat = format;
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), atlasWidth, atlasHeight, 0, format, GL_UNSIGNED_BYTE,
                 nullptr);
  }
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, frame.atlasWidth, frame.atlasHeight, format, GL_UNSIGNED_BYTE,
                  frame.atlas.data());
  glUniform2f(atlasSizeUniform, static_cast<float>(atlasWidth), static_cast<float>(atlasHeight));
  glBindBuffer(GL_ARRAY_BUFFER, spriteBuffer);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(frame.corners.size() * sizeof(SpriteCorner)),
               frame.corners.data(), GL_STREAM_DRAW);
  glDisableVertexAttribArray(kPositionSlot);
  glDisableVertexAttribArray(kColourSlot);
  glEnableVertexAttribArray(kCornerSlot);
  glVertexAttribPointer(kCornerSlot, 4, GL_FLOAT, GL_FALSE, sizeof(SpriteCorner), nullptr);
  if (depthTest) glDisable(GL_DEPTH_TEST);
  if (blend) glDisable(GL_BLEND);
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(frame.corners.size()));
  if (depthTest) glEnable(GL_DEPTH_TEST);
  if (blend) glEnable(GL_BLEND);
  usePoints();
}

void DrawPoints(const PointVertex* points, int count, float pointSize) {
  if (count <= 0) return;
  glUniform1f(pointSizeUniform, pointSize);
  // The buffer only grows, so most frames refill it in place.
  const GLsizeiptr bytes = static_cast<GLsizeiptr>(sizeof(PointVertex)) * count;
  if (bytes > bufferBytes) {
    glBufferData(GL_ARRAY_BUFFER, bytes, nullptr, GL_STREAM_DRAW);
    bufferBytes = bytes;
  }
  glBufferSubData(GL_ARRAY_BUFFER, 0, bytes, points);
  glDrawArrays(GL_POINTS, 0, count);
}

void SetWebGlViewport(int x, int y, int width, int height) { glViewport(x, y, width, height); }

void SetWebGlClearColor(float red, float green, float blue, float alpha) { glClearColor(red, green, blue, alpha); }

void ClearWebGl(unsigned mask) { glClear(mask); }

void EnableWebGl(unsigned capability) { glEnable(capability); }

void SetWebGlBlend(unsigned source, unsigned destination) { glBlendFunc(source, destination); }

void ReadWebGlPixels(int width, int height, unsigned char* rgba) {
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}
