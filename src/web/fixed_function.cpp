// GL 1.1's fixed function for the calls in web/gl/GL/gl.h: both matrix
// stacks, per-vertex lighting with colour material, points. The matrices
// (web/matrix) are float and built as Mesa and GLU build them, so the web
// frame comes out as the native one does. The state is the page's one GL
// context.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/flakes.h"
#include "web/matrix.h"
#include "web/point_merge.h"
#include "web/point_sprites.h"
#include "web/webgl_draw.h"
#include "web/webgl_layer.h"

namespace {

constexpr std::size_t kStackDepth = 32;  // Mesa's, on both stacks
constexpr int kLights = 2;

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
  bool vertexArray = false;
  const unsigned char* arrayBase = nullptr;
  std::size_t arrayStride = 0;  // bytes
  int viewport[4] = {0, 0, 0, 0};  // x, y, width, height in pixels
  bool clipStale = true;
  Matrix clip = kIdentity;  // projection x model-view
  bool depthTest = false;
  bool blend = false;
  bool blendReplacesOpaque = true;  // the blend function leaves an opaque colour as it is
  bool freshFrame = false;  // colour and depth cleared, nothing drawn since
  std::vector<PointVertex> points;
  std::vector<std::uint32_t> pixels;  // each point's pixel: x | y << 16
  std::vector<std::uint32_t> groups;  // each point's glDrawArrays
  std::vector<PixelBox> boxes;        // the pixels of each group
  bool allOpaque = true;              // every point collected has alpha 255
  PointMerger merger;
  SpriteFrame sprites;
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

std::vector<Matrix>& currentStack() { return gl.matrixMode == GL_PROJECTION ? gl.projection : gl.modelView; }

void multiply(const Matrix& m) {
  Matrix& top = currentStack().back();
  top = Product(top, m);
  gl.clipStale = true;
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
  // The normal (0, 0, 1) through the model-view: its third column, good for
  // any turn and move (this layer carries no glScale). The core leaves the
  // model-view at the identity and turns and moves the projection instead.
  const Matrix& mv = gl.modelView.back();
  const float n[3] = {mv[8], mv[9], mv[10]};
  float sum[3];
  for (int i = 0; i < 3; ++i) sum[i] = 0.2f * ambient[i];
  for (const Light& light : gl.lights) {
    if (!light.on) continue;
    float toLight[3];
    const bool positional = light.eyePosition[3] != 0;
    for (int i = 0; i < 3; ++i) toLight[i] = positional ? light.eyePosition[i] - e[i] : light.eyePosition[i];
    Normalize(toLight);
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
    // On the far edge a 1-pixel point's centre lies outside: GL draws nothing.
    if (gl.pointSize == 1 && at >= static_cast<float>(gl.viewport[axis] + gl.viewport[2 + axis])) return false;
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
    gl.clip = Product(gl.projection.back(), gl.modelView.back());
    gl.clipStale = false;
  }
  PointVertex p;
  std::uint32_t pixel = 0;
  if (!snappedToPixel(Transform(gl.clip, x, y, z, 1).data(), p.ndc, pixel)) return;
  litColour(Transform(gl.modelView.back(), x, y, z, 1).data(), p.rgba);
  gl.points.push_back(p);
  gl.pixels.push_back(pixel);
  gl.allOpaque = gl.allOpaque && p.rgba[3] == 255;
  if (gl.boxes.empty()) gl.boxes.emplace_back();
  const int px = static_cast<int>(pixel & 0xFFFFu), py = static_cast<int>(pixel >> 16);
  gl.boxes.back() = Union(gl.boxes.back(), PixelBox{px, py, px, py});
  gl.groups.push_back(static_cast<std::uint32_t>(gl.boxes.size() - 1));
}

// The points collected so far reach WebGL. At the end of a frame drawn
// after a clear in one go, opaque 1-pixel points with the depth test go as
// rectangles of texels, one point a pixel: the pixels come out as drawing
// the points would leave them, and nothing later in the frame needs their
// depths. Otherwise as points, each pixel's nearest of a colour.
void drawCollected(bool endOfFrame) {
  if (gl.points.empty()) {
    gl.boxes.clear();
    return;
  }
  const bool opaque = gl.pointSize == 1 && gl.depthTest && (!gl.blend || gl.blendReplacesOpaque);
  bool drawn = false;
  if (endOfFrame && opaque && gl.allOpaque && gl.freshFrame) {
    gl.merger.merge(gl.points, gl.pixels, gl.groups, true);
    drawn = BuildSprites(gl.points, gl.pixels, gl.groups, gl.boxes, gl.viewport, MaxTextureSize(), gl.sprites);
    if (drawn) DrawSprites(gl.sprites, gl.depthTest, gl.blend);
  } else if (opaque) {
    gl.merger.merge(gl.points, gl.pixels);
  }
  if (!drawn) DrawPoints(gl.points.data(), static_cast<int>(gl.points.size()), gl.pointSize);
  gl.freshFrame = false;
  gl.points.clear();
  gl.pixels.clear();
  gl.groups.clear();
  gl.boxes.clear();
  gl.allOpaque = true;
}

// A new group of points: a glDrawArrays.
void startGroup() {
  if (gl.boxes.empty() || gl.boxes.back().x0 <= gl.boxes.back().x1) gl.boxes.emplace_back();
}

Light* lightFor(GLenum light) {
  if (light < GL_LIGHT0 || light >= GL_LIGHT0 + kLights) return nullptr;
  return &gl.lights[light - GL_LIGHT0];
}

}  // namespace

bool StartWebGlLayer() {
  gl = FixedFunction();
  gl.lights[0].diffuse[0] = gl.lights[0].diffuse[1] = gl.lights[0].diffuse[2] = 1;
  gl.points.reserve(std::size_t{kFlakeCount} * kArms * kPointsPerArm);
  gl.pixels.reserve(gl.points.capacity());
  gl.groups.reserve(gl.points.capacity());
  return StartWebGlDraw();
}

void FlushPoints() { drawCollected(true); }

void flindraViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
  drawCollected(false);
  gl.viewport[0] = x, gl.viewport[1] = y, gl.viewport[2] = width, gl.viewport[3] = height;
  SetWebGlViewport(x, y, width, height);
}

void flindraClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
  SetWebGlClearColor(red, green, blue, alpha);
}

void flindraClear(GLbitfield mask) {
  drawCollected(false);
  ClearWebGl(mask);
  const GLbitfield both = GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT;
  if ((mask & both) == both) gl.freshFrame = true;
}

void flindraEnable(GLenum capability) {
  switch (capability) {
    case GL_DEPTH_TEST:
    case GL_BLEND:
      drawCollected(false);
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
  drawCollected(false);
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
    const Vector4 eye = Transform(gl.modelView.back(), values[0], values[1], values[2], values[3]);
    float* p = light->eyePosition;
    std::memcpy(p, eye.data(), sizeof light->eyePosition);
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

void flindraRotatef(GLfloat degrees, GLfloat x, GLfloat y, GLfloat z) { multiply(Rotation(degrees, x, y, z)); }

void flindraTranslatef(GLfloat x, GLfloat y, GLfloat z) {
  Matrix& m = currentStack().back();
  m = Translated(m, x, y, z);
  gl.clipStale = true;
}

void flindraPointSize(GLfloat size) {
  if (size == gl.pointSize) return;
  drawCollected(false);
  gl.pointSize = size;
}

void flindraColor3f(GLfloat red, GLfloat green, GLfloat blue) {
  gl.colour[0] = red, gl.colour[1] = green, gl.colour[2] = blue, gl.colour[3] = 1;
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
  startGroup();
  for (GLint k = first; k < first + count; ++k) {
    float v[3];
    std::memcpy(v, gl.arrayBase + static_cast<std::size_t>(k) * gl.arrayStride, sizeof v);
    emitPoint(v[0], v[1], v[2]);
  }
}

void flindraPerspective(GLdouble fovyDegrees, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
  Matrix m;
  if (Perspective(fovyDegrees, aspect, zNear, zFar, m)) multiply(m);
}

void flindraLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY, GLdouble centerZ,
                   GLdouble upX, GLdouble upY, GLdouble upZ) {
  const double eye[3] = {eyeX, eyeY, eyeZ}, centre[3] = {centerX, centerY, centerZ}, up[3] = {upX, upY, upZ};
  multiply(LookAtTurn(eye, centre, up));
  flindraTranslatef(static_cast<float>(-eyeX), static_cast<float>(-eyeY), static_cast<float>(-eyeZ));
}
