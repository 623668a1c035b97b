// The page's saver: its WebGL context on the canvas, its flake field, the
// beat, the fade and the settings, driven from page.js through the
// functions below.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <memory>
#include <string>
#include <vector>

#include "core/beat.h"
#include "core/fade.h"
#include "core/frame_rate.h"
#include "core/gl.h"
#include "core/user_input.h"
#include "core/scene.h"
#include "web/page_field.h"
#include "web/page_options.h"
#include "web/webgl_draw.h"
#include "web/webgl_layer.h"

namespace {

struct PageSaver {
  explicit PageSaver(const PageOptions& o) : options(o), beat(static_cast<double>(o.delayUs) / 1000) {}

  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
  PageOptions options;
  FlakeField field;
  Beat beat;
  FadeIn fade;
  FrameRate frameRate;  // counted while the address asks for fps
  int canvasWidth = 0;  // the canvas in pixels, whose proportions the camera takes
  int canvasHeight = 0;
  int width = 0;  // the drawing buffer in pixels, which the browser may make smaller than the canvas
  int height = 0;
  bool contextLost = false;
  int frames = 0;                     // frames drawn since the start
  std::vector<unsigned char> pixels;  // the held frame's RGBA, bottom row first
};

std::unique_ptr<PageSaver> saver;
std::string reply;  // the text a function below hands back, kept until the next call

const char* replied(std::string text) {
  reply = std::move(text);
  return reply.c_str();
}

// A held frame is drawn anew for every canvas size, and read back at once:
// the drawing buffer is only good until the browser shows it.
void drawHeldFrame(PageSaver& s) {
  DrawFixedFrame(s.field, s.options);
  FlushPoints();
  s.pixels.resize(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height) * 4);
  ReadWebGlPixels(s.width, s.height, s.pixels.data());
  s.frames = s.options.frames.value_or(1);
  s.fade = FadeIn(1);
}

// The canvas's size, and the drawing buffer the browser gave it.
void measure(PageSaver& s, int canvasWidth, int canvasHeight) {
  s.canvasWidth = canvasWidth;
  s.canvasHeight = canvasHeight;
  emscripten_webgl_get_drawing_buffer_size(s.context, &s.width, &s.height);
}

// The scene's GL state on a new (or given back) context, and the held frame
// on it. The viewport is the drawing buffer, the camera takes the canvas's
// proportions: a buffer the browser made smaller is stretched over the canvas.
bool setUpContext(PageSaver& s) {
  if (!StartWebGlLayer()) return false;
  measure(s, s.canvasWidth, s.canvasHeight);
  SetupScene(s.width, s.height, s.canvasWidth, s.canvasHeight);
  if (s.options.frames) drawHeldFrame(s);
  return true;
}

std::string started(const std::string& line, const std::string& note, bool running, bool fps) {
  return "{\"line\":" + JsonString(line) + ",\"note\":" + JsonString(note) +
         ",\"running\":" + (running ? "true" : "false") + ",\"fps\":" + (fps ? "true" : "false") + "}";
}

}  // namespace

extern "C" {

// Starts the saver on the canvas #flakes of width x height pixels with the
// page's query. Returns JSON: the one line the page shows ("" for none), a
// note for the console, whether the flakes run and whether the frame rate
// shows. A bad value in the query keeps that setting's default.
EMSCRIPTEN_KEEPALIVE const char* flindra_start(const char* query, int width, int height) {
  const ParsedPageOptions parsed = ParsePageQuery(query);
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.alpha = false;      // a clear alpha of 0 would show the page through
  attributes.antialias = false;  // multisampling spreads 1-pixel points
  attributes.depth = true;
  attributes.majorVersion = 1;
  const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context("#flakes", &attributes);
  if (context <= 0 || emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS)
    return replied(started("This browser cannot draw with WebGL, which Flindra needs.", parsed.note, false, false));

  auto s = std::make_unique<PageSaver>(parsed.options);
  s->context = context;
  s->canvasWidth = width;
  s->canvasHeight = height;
  if (!setUpContext(*s))
    return replied(started("Flindra could not set up WebGL in this browser.", parsed.note, false, false));
  if (!s->options.frames) StartPageField(s->field, s->options);
  saver = std::move(s);
  const std::string line = parsed.error.empty() ? "" : "In the address, " + parsed.error + ".";
  return replied(started(line, parsed.note, true, parsed.options.fps));
}

// The canvas's new size in pixels: the camera follows its proportions and
// the current flakes are drawn again at once (a resize clears the canvas).
EMSCRIPTEN_KEEPALIVE void flindra_resize(int width, int height) {
  if (!saver) return;
  PageSaver& s = *saver;
  if (s.contextLost) {  // the context comes back at the canvas's size
    s.canvasWidth = width;
    s.canvasHeight = height;
    return;
  }
  measure(s, width, height);
  SetupProjection(s.width, s.height, width, height);
  if (s.options.frames) return drawHeldFrame(s);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  DrawFlakes(s.field, s.options.settings, FlakesToDraw(s.options.settings.FlakeCount));
  FlushPoints();
}

// Called on every browser frame: when the beat says a step is due, the fade
// ticks and one step is drawn. Returns the canvas's opacity byte after the
// fade, or -1 when nothing new was drawn.
EMSCRIPTEN_KEEPALIVE int flindra_tick(double nowMs) {
  if (!saver || saver->options.frames || saver->contextLost) return -1;
  PageSaver& s = *saver;
  if (!s.beat.due(nowMs)) return -1;
  const std::uint8_t opacity = s.fade.tick(s.options.settings.Brightness);
  DrawFrame(s.field, s.options.settings);
  FlushPoints();
  ++s.frames;
  if (s.options.fps) s.frameRate.countFrame(nowMs / 1000);
  return opacity;
}

// The frame rate line ("FPS: 31.9") while the address asks for fps.
EMSCRIPTEN_KEEPALIVE const char* flindra_frame_rate() { return saver ? saver->frameRate.text() : ""; }

// The browser took WebGL away: nothing is stepped or drawn until it is back.
EMSCRIPTEN_KEEPALIVE void flindra_context_lost() {
  if (saver) saver->contextLost = true;
}

// The browser gave WebGL back: the GL state is built again and the same
// field goes on. False when that failed.
EMSCRIPTEN_KEEPALIVE bool flindra_context_restored() {
  if (!saver) return false;
  PageSaver& s = *saver;
  if (emscripten_webgl_make_context_current(s.context) != EMSCRIPTEN_RESULT_SUCCESS || !setUpContext(s)) return false;
  s.contextLost = false;
  return true;
}

// The panel's change of one setting; "" or the complaint.
EMSCRIPTEN_KEEPALIVE const char* flindra_set(const char* name, const char* value) {
  if (!saver) return "";
  return replied(SetPageSetting(saver->options.settings, name, value));
}

// The settings table with the current values, as JSON for the panel.
EMSCRIPTEN_KEEPALIVE const char* flindra_settings() {
  return replied(SettingsJson(saver ? saver->options.settings : DefaultSettings()));
}

// The query that gives the current settings, delay and fps back ("" for the defaults).
EMSCRIPTEN_KEEPALIVE const char* flindra_query() {
  return replied(saver ? PageQuery(saver->options) : std::string());
}

// The opacity byte the fade has reached, for a page that shows no new frame.
EMSCRIPTEN_KEEPALIVE int flindra_opacity() {
  return saver ? saver->fade.opacity(saver->options.settings.Brightness) : 0;
}

// Whether a pointer dx, dy pixels from where full screen first saw it has
// strayed far enough to end it.
EMSCRIPTEN_KEEPALIVE bool flindra_pointer_strayed(double dx, double dy) { return PointerStrayed(dx, dy); }

// Frames drawn so far.
EMSCRIPTEN_KEEPALIVE int flindra_frames() { return saver ? saver->frames : 0; }

// The held frame's RGBA pixels (drawing buffer width x height x 4, bottom
// row first), or null when the page is not holding a frame.
EMSCRIPTEN_KEEPALIVE const unsigned char* flindra_held_pixels() {
  return saver && saver->options.frames ? saver->pixels.data() : nullptr;
}

}  // extern "C"
