#include "web/webgl_draw.h"

#include <GLES2/gl2.h>

#include <cstddef>
#include <cstdio>

namespace {

constexpr GLuint kPositionSlot = 0;
constexpr GLuint kColourSlot = 1;

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

GLint pointSizeUniform = -1;
GLsizeiptr bufferBytes = 0;  // what the buffer holds room for

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

}  // namespace

bool StartWebGlDraw() {
  bufferBytes = 0;  // a context given back has lost the old buffer
  const GLuint program = glCreateProgram();
  glAttachShader(program, compiled(GL_VERTEX_SHADER, kVertexShader));
  glAttachShader(program, compiled(GL_FRAGMENT_SHADER, kFragmentShader));
  glBindAttribLocation(program, kPositionSlot, "position");
  glBindAttribLocation(program, kColourSlot, "colour");
  glLinkProgram(program);
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    std::fprintf(stderr, "flindra: the WebGL program did not link\n");
    return false;
  }
  glUseProgram(program);
  pointSizeUniform = glGetUniformLocation(program, "pointSize");

  GLuint buffer = 0;
  glGenBuffers(1, &buffer);
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glEnableVertexAttribArray(kPositionSlot);
  glEnableVertexAttribArray(kColourSlot);
  glVertexAttribPointer(kPositionSlot, 3, GL_FLOAT, GL_FALSE, sizeof(PointVertex),
                        reinterpret_cast<const void*>(offsetof(PointVertex, ndc)));
  glVertexAttribPointer(kColourSlot, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(PointVertex),
                        reinterpret_cast<const void*>(offsetof(PointVertex, rgba)));
  return true;
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
