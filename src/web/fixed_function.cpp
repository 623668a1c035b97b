// GL 1.1's fixed function for the calls in web/gl/GL/gl.h: both matrix
// stacks, per-vertex lighting with colour material, points. Matrices are
// float and built as Mesa and GLU build them, so the web frame comes out as
// the native one does. The state is the page's one GL context.
#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "web/point_merge.h"
#include "web/webgl_draw.h"
#include "web/webgl_layer.h"

namespace {

using Matrix = std::array<float, 16>;  // column-major, element (row, column) at column * 4 + row

constexpr Matrix kIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
constexpr std::size_t kStackDepth = 32;  // Mesa's, on both stacks
constexpr int kLights = 2;
constexpr double kPi = 3.14159265358979323846;

struct Light {
  bool on = false;
  float ambient[4] = {0, 0, 0, 1};
  float diffuse[4] = {0, 0, 0, 1};
  float eyePosition[4] = {0, 0, 1, 0};  // divided through when w is not 0, so w is then 1
};

struct FixedFunction {
  std::vector<Matrix> modelView{kIdentity};
  std::vector<Matrix> projection{kIdentity};
  GLenum matrixMode = GL_MODELVIEW;
  bool lighting = false;
  bool colorMaterial = false;
  Light lights[kLights];
  float colour[4] = {1, 1, 1, 1};
  float pointSize = 1;
  bool inPoints = false;
  bool vertexArray = false;
  const unsigned char* arrayBase = nullptr;
  std::size_t arrayStride = 0;  // bytes
  int viewport[4] = {0, 0, 0, 0};  // x, y, width, height in pixels
  bool clipStale = true;
  Matrix clip = kIdentity;  // projection x model-view
  bool depthTest = false;
  bool blend = false;
  bool blendReplacesOpaque = true;  // the blend function leaves an opaque colour as it is
  std::vector<PointVertex> points;
  std::vector<std::uint32_t> pixels;  // each point's pixel: x | y << 16
  PointMerger merger;
};

FixedFunction gl;

// Says once on the console that the core asked for something this layer
// does not do, so a change in the core shows instead of drawing wrongly.
void complain(const char* what) {
  static bool said = false;
  if (said) return;
  said = true;
  std::fprintf(stderr, "flindra: the WebGL layer does not carry %s\n", what);
}

Matrix product(const Matrix& a, const Matrix& b) {
  Matrix p;
  for (std::size_t i = 0; i < 4; ++i) {
    const float ai0 = a[i], ai1 = a[4 + i], ai2 = a[8 + i], ai3 = a[12 + i];
    for (std::size_t j = 0; j < 4; ++j)
      p[j * 4 + i] = ai0 * b[j * 4] + ai1 * b[j * 4 + 1] + ai2 * b[j * 4 + 2] + ai3 * b[j * 4 + 3];
  }
  return p;
}

std::vector<Matrix>& currentStack() { return gl.matrixMode == GL_PROJECTION ? gl.projection : gl.modelView; }

void multiply(const Matrix& m) {
  Matrix& top = currentStack().back();
  top = product(top, m);
  gl.clipStale = true;
}

void normalize(float v[3]) {
  const float r = static_cast<float>(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]));
  if (r == 0) return;
  for (int i = 0; i < 3; ++i) v[i] /= r;
}

void cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

std::uint8_t byteFromColour(float c) {
  if (!(c > 0)) return 0;
  if (c >= 1) return 255;
  return static_cast<std::uint8_t>(c * 255 + 0.5f);
}

// GL 1.1's lighting of a vertex at eye position e with the current normal
// (0, 0, 1): global ambient 0.2, then each light's ambient and diffuse. The
// material's specular stays black (nothing here sets it), so none is added.
void litColour(const float e[3], std::uint8_t rgba[4]) {
  static const float kDefaultAmbient[4] = {0.2f, 0.2f, 0.2f, 1};
  static const float kDefaultDiffuse[4] = {0.8f, 0.8f, 0.8f, 1};
  if (!gl.lighting) {
    for (int i = 0; i < 4; ++i) rgba[i] = byteFromColour(gl.colour[i]);
    return;
  }
  const float* ambient = gl.colorMaterial ? gl.colour : kDefaultAmbient;
  const float* diffuse = gl.colorMaterial ? gl.colour : kDefaultDiffuse;
  // The normal through the model-view, which holds only rotations and
  // translations here (no glScale or glMultMatrix reaches it).
  const Matrix& mv = gl.modelView.back();
  float n[3] = {mv[8], mv[9], mv[10]};
  float sum[3];
  for (int i = 0; i < 3; ++i) sum[i] = 0.2f * ambient[i];
  for (const Light& light : gl.lights) {
    if (!light.on) continue;
    float toLight[3];
    const bool positional = light.eyePosition[3] != 0;
    for (int i = 0; i < 3; ++i) toLight[i] = positional ? light.eyePosition[i] - e[i] : light.eyePosition[i];
    normalize(toLight);
    const float facing = std::fmax(0.0f, n[0] * toLight[0] + n[1] * toLight[1] + n[2] * toLight[2]);
    for (int i = 0; i < 3; ++i) sum[i] += light.ambient[i] * ambient[i] + facing * light.diffuse[i] * diffuse[i];
  }
  for (int i = 0; i < 3; ++i) rgba[i] = byteFromColour(sum[i]);
  rgba[3] = byteFromColour(diffuse[3]);
}

// A point's position in normalized device coordinates, a 1-pixel point's
// rounded to the centre of the pixel it lights; false when GL would clip the
// point away. Each rasterizer snaps positions to its own sub-pixel grid, so
// a point that WebGL gets near a pixel's edge could land one pixel over from
// where Mesa puts it; at the centre there is no doubt.
bool snappedToPixel(const float clip[4], float ndc[3], std::uint32_t& pixel) {
  const float w = clip[3];
  if (!(w > 0)) return false;
  for (int i = 0; i < 3; ++i)
    if (clip[i] < -w || clip[i] > w) return false;
  for (int axis = 0; axis < 2; ++axis) {
    const float half = static_cast<float>(gl.viewport[2 + axis]) * 0.5f;
    const float centre = static_cast<float>(gl.viewport[axis]) + half;
    const float window = clip[axis] / w * half + centre;
    const float at = std::floor(window);
    ndc[axis] = gl.pointSize == 1 ? (at + 0.5f - centre) / half : clip[axis] / w;
    // Window coordinates inside the clip volume lie within the viewport,
    // well inside 16 bits; the key only needs to tell pixels apart.
    pixel |= (static_cast<std::uint32_t>(static_cast<std::int32_t>(at)) & 0xFFFFu) << (16 * axis);
  }
  ndc[2] = clip[2] / w;
  return true;
}

void emitPoint(float x, float y, float z) {
  if (gl.clipStale) {
    gl.clip = product(gl.projection.back(), gl.modelView.back());
    gl.clipStale = false;
  }
  PointVertex p;
  const Matrix& c = gl.clip;
  float clip[4];
  for (std::size_t r = 0; r < 4; ++r) clip[r] = c[r] * x + c[4 + r] * y + c[8 + r] * z + c[12 + r];
  std::uint32_t pixel = 0;
  if (!snappedToPixel(clip, p.ndc, pixel)) return;
  const Matrix& mv = gl.modelView.back();
  float eye[3];
  for (std::size_t r = 0; r < 3; ++r) eye[r] = mv[r] * x + mv[4 + r] * y + mv[8 + r] * z + mv[12 + r];
  litColour(eye, p.rgba);
  gl.points.push_back(p);
  gl.pixels.push_back(pixel);
}

Light* lightFor(GLenum light) {
  if (light < GL_LIGHT0 || light >= GL_LIGHT0 + kLights) return nullptr;
  return &gl.lights[light - GL_LIGHT0];
}

}  // namespace

bool StartWebGlLayer() {
  gl = FixedFunction();
  gl.lights[0].diffuse[0] = gl.lights[0].diffuse[1] = gl.lights[0].diffuse[2] = 1;
  gl.points.reserve(std::size_t{101} * 6 * 36);
  gl.pixels.reserve(gl.points.capacity());
  return StartWebGlDraw();
}

void FlushPoints() {
  if (gl.pointSize == 1 && gl.depthTest && (!gl.blend || gl.blendReplacesOpaque))
    gl.merger.merge(gl.points, gl.pixels);
  DrawPoints(gl.points.data(), static_cast<int>(gl.points.size()), gl.pointSize);
  gl.points.clear();
  gl.pixels.clear();
}

void flindraViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  FlushPoints();
  gl.viewport[0] = x, gl.viewport[1] = y, gl.viewport[2] = width, gl.viewport[3] = height;
  SetWebGlViewport(x, y, width, height);
}

void flindraClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
  SetWebGlClearColor(red, green, blue, alpha);
}

void flindraClear(GLbitfield mask) {
  FlushPoints();
  ClearWebGl(mask);
}

void flindraEnable(GLenum capability) {
  switch (capability) {
    case GL_DEPTH_TEST:
    case GL_BLEND:
      FlushPoints();
      EnableWebGl(capability);
      (capability == GL_BLEND ? gl.blend : gl.depthTest) = true;
      break;
    case GL_ALPHA_TEST: break;  // the alpha function stays GL_ALWAYS: no fragment fails it
    case GL_LIGHTING: gl.lighting = true; break;
    case GL_COLOR_MATERIAL: gl.colorMaterial = true; break;
    default:
      if (Light* light = lightFor(capability)) light->on = true;
      else complain("this glEnable capability");
  }
}

void flindraBlendFunc(GLenum source, GLenum destination) {
  FlushPoints();
  SetWebGlBlend(source, destination);
  gl.blendReplacesOpaque = source == GL_SRC_ALPHA && destination == GL_ONE_MINUS_SRC_ALPHA;
}

void flindraLightfv(GLenum which, GLenum name, const GLfloat* values) {
  Light* light = lightFor(which);
  if (light == nullptr) return complain("this light");
  if (name == GL_AMBIENT) {
    std::memcpy(light->ambient, values, sizeof light->ambient);
  } else if (name == GL_DIFFUSE) {
    std::memcpy(light->diffuse, values, sizeof light->diffuse);
  } else if (name == GL_POSITION) {
    const Matrix& mv = gl.modelView.back();
    float* p = light->eyePosition;
    for (std::size_t r = 0; r < 4; ++r)
      p[r] = mv[r] * values[0] + mv[4 + r] * values[1] + mv[8 + r] * values[2] + mv[12 + r] * values[3];
    if (p[3] != 0) {
      for (int i = 0; i < 3; ++i) p[i] /= p[3];
      p[3] = 1;
    }
  } else {
    complain("this glLightfv parameter");
  }
}

void flindraMatrixMode(GLenum mode) {
  if (mode == GL_MODELVIEW || mode == GL_PROJECTION) gl.matrixMode = mode;
  else complain("this matrix mode");
}

void flindraLoadIdentity() {
  currentStack().back() = kIdentity;
  gl.clipStale = true;
}

void flindraPushMatrix() {
  auto& stack = currentStack();
  if (stack.size() >= kStackDepth) return complain("a matrix stack deeper than 32");
  stack.push_back(stack.back());
}

void flindraPopMatrix() {
  auto& stack = currentStack();
  if (stack.size() <= 1) return complain("a pop of an empty matrix stack");
  stack.pop_back();
  gl.clipStale = true;
}

void flindraRotatef(GLfloat degrees, GLfloat x, GLfloat y, GLfloat z) {
  const float s = static_cast<float>(std::sin(degrees * kPi / 180.0));
  const float c = static_cast<float>(std::cos(degrees * kPi / 180.0));
  Matrix m = kIdentity;
  // Rotations about an axis are exact where the general form would round.
  if (x == 0 && y == 0 && z != 0) {
    m[0] = c, m[5] = c, m[1] = z < 0 ? -s : s, m[4] = z < 0 ? s : -s;
  } else if (x == 0 && z == 0 && y != 0) {
    m[0] = c, m[10] = c, m[8] = y < 0 ? -s : s, m[2] = y < 0 ? s : -s;
  } else if (y == 0 && z == 0 && x != 0) {
    m[5] = c, m[10] = c, m[6] = x < 0 ? -s : s, m[9] = x < 0 ? s : -s;
  } else {
    float axis[3] = {x, y, z};
    if (std::sqrt(x * x + y * y + z * z) <= 1.0e-4f) return;
    normalize(axis);
    const float oneC = 1 - c;
    const float ax = axis[0], ay = axis[1], az = axis[2];
    m[0] = oneC * ax * ax + c, m[4] = oneC * ax * ay - az * s, m[8] = oneC * az * ax + ay * s;
    m[1] = oneC * ax * ay + az * s, m[5] = oneC * ay * ay + c, m[9] = oneC * ay * az - ax * s;
    m[2] = oneC * az * ax - ay * s, m[6] = oneC * ay * az + ax * s, m[10] = oneC * az * az + c;
  }
  multiply(m);
}

void flindraTranslatef(GLfloat x, GLfloat y, GLfloat z) {
  Matrix& m = currentStack().back();
  for (std::size_t r = 0; r < 4; ++r) m[12 + r] = m[r] * x + m[4 + r] * y + m[8 + r] * z + m[12 + r];
  gl.clipStale = true;
}

void flindraPointSize(GLfloat size) {
  if (size == gl.pointSize) return;
  FlushPoints();
  gl.pointSize = size;
}

void flindraBegin(GLenum mode) {
  if (mode == GL_POINTS) gl.inPoints = true;
  else complain("glBegin of anything but points");
}

void flindraEnd() { gl.inPoints = false; }

void flindraColor3f(GLfloat red, GLfloat green, GLfloat blue) {
  gl.colour[0] = red, gl.colour[1] = green, gl.colour[2] = blue, gl.colour[3] = 1;
}

void flindraVertex3f(GLfloat x, GLfloat y, GLfloat z) {
  if (gl.inPoints) emitPoint(x, y, z);
}

void flindraEnableClientState(GLenum array) {
  if (array == GL_VERTEX_ARRAY) gl.vertexArray = true;
  else complain("this client array");
}

void flindraDisableClientState(GLenum array) {
  if (array == GL_VERTEX_ARRAY) gl.vertexArray = false;
}

void flindraVertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
  if (size != 3 || type != GL_FLOAT || stride < 0) return complain("this vertex array layout");
  gl.arrayBase = static_cast<const unsigned char*>(pointer);
  gl.arrayStride = stride == 0 ? 3 * sizeof(float) : static_cast<std::size_t>(stride);
}

void flindraDrawArrays(GLenum mode, GLint first, GLsizei count) {
  if (mode != GL_POINTS) return complain("glDrawArrays of anything but points");
  if (!gl.vertexArray || gl.arrayBase == nullptr || first < 0 || count <= 0) return;
  for (GLint k = first; k < first + count; ++k) {
    float v[3];
    std::memcpy(v, gl.arrayBase + static_cast<std::size_t>(k) * gl.arrayStride, sizeof v);
    emitPoint(v[0], v[1], v[2]);
  }
}

void flindraPerspective(GLdouble fovyDegrees, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  const double radians = fovyDegrees / 2 * kPi / 180;
  const double deltaZ = zFar - zNear;
  const double sine = std::sin(radians);
  if (deltaZ == 0 || sine == 0 || aspect == 0) return;  // as GLU: no change
  const double cotangent = std::cos(radians) / sine;
  Matrix m{};
  m[0] = static_cast<float>(cotangent / aspect);
  m[5] = static_cast<float>(cotangent);
  m[10] = static_cast<float>(-(zFar + zNear) / deltaZ);
  m[11] = -1;
  m[14] = static_cast<float>(-2 * zNear * zFar / deltaZ);
  multiply(m);
}

void flindraLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY, GLdouble centerZ,
                   GLdouble upX, GLdouble upY, GLdouble upZ) {
  float forward[3] = {static_cast<float>(centerX - eyeX), static_cast<float>(centerY - eyeY),
                      static_cast<float>(centerZ - eyeZ)};
  float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
  float side[3];
  normalize(forward);
  cross(forward, up, side);
  normalize(side);
  cross(side, forward, up);
  Matrix m = kIdentity;
  m[0] = side[0], m[4] = side[1], m[8] = side[2];
  m[1] = up[0], m[5] = up[1], m[9] = up[2];
  m[2] = -forward[0], m[6] = -forward[1], m[10] = -forward[2];
  multiply(m);
  flindraTranslatef(static_cast<float>(-eyeX), static_cast<float>(-eyeY), static_cast<float>(-eyeZ));
}
