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
#include "core/gl.h"
#include "core/scene.h"
#include "web/page_field.h"
#include "web/page_options.h"
#include "web/webgl_draw.h"
#include "web/webgl_layer.h"

namespace {

struct PageSaver {
  PageOptions options;
  FlakeField field;
  Beat beat;
  FadeIn fade;
  int width = 0;  // canvas pixels
  int height = 0;
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

}  // namespace

extern "C" {

// Starts the saver on the canvas #flakes of width x height pixels with the
// page's query. Returns "" or the one line the page shows; on a bad query
// the flakes run with the defaults.
EMSCRIPTEN_KEEPALIVE const char* flindra_start(const char* query, int width, int height) {
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.alpha = false;      // a clear alpha of 0 would show the page through
  attributes.antialias = false;  // multisampling spreads 1-pixel points
  attributes.depth = true;
  attributes.majorVersion = 1;
  const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context("#flakes", &attributes);
  if (context <= 0 || emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS)
    return "This browser cannot draw with WebGL, which Flindra needs.";
  if (!StartWebGlLayer()) return "Flindra could not set up WebGL in this browser.";

  ParsedPageOptions parsed = ParsePageQuery(query);
  saver = std::make_unique<PageSaver>();
  saver->options = parsed.options;
  saver->width = width;
  saver->height = height;
  SetupScene(width, height, width, height);
  if (saver->options.frames) drawHeldFrame(*saver);
  else StartPageField(saver->field, saver->options);
  return parsed.error.empty() ? "" : replied("In the address, " + parsed.error + "; showing the defaults.");
}

// The canvas's new size in pixels: the camera follows its proportions and
// the current flakes are drawn again at once (a resize clears the canvas).
EMSCRIPTEN_KEEPALIVE void flindra_resize(int width, int height) {
  if (!saver) return;
  saver->width = width;
  saver->height = height;
  SetupProjection(width, height, width, height);
  if (saver->options.frames) return drawHeldFrame(*saver);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  DrawFlakes(saver->field, saver->options.settings, FlakesToDraw(saver->options.settings.FlakeCount));
  FlushPoints();
}

// Called on every browser frame: when the beat says a step is due, the fade
// ticks and one step is drawn.
// Returns the canvas's opacity byte after the fade, or -1 when nothing new
// was drawn.
EMSCRIPTEN_KEEPALIVE int flindra_tick(double nowMs) {
  if (!saver || saver->options.frames) return -1;
  PageSaver& s = *saver;
  if (!s.beat.due(nowMs)) return -1;
  const std::uint8_t opacity = s.fade.tick(s.options.settings.Brightness);
  DrawFrame(s.field, s.options.settings);
  FlushPoints();
  ++s.frames;
  return opacity;
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

// The query that gives the current settings back ("" for the defaults).
EMSCRIPTEN_KEEPALIVE const char* flindra_query() {
  return replied(saver ? PageQuery(saver->options.settings) : std::string());
}

// The opacity byte the fade has reached, for a page that shows no new frame.
EMSCRIPTEN_KEEPALIVE int flindra_opacity() {
  return saver ? saver->fade.opacity(saver->options.settings.Brightness) : 0;
}

// Frames drawn so far.
EMSCRIPTEN_KEEPALIVE int flindra_frames() { return saver ? saver->frames : 0; }

// The held frame's RGBA pixels (width x height x 4, bottom row first), or
// null when the page is not holding a frame.
EMSCRIPTEN_KEEPALIVE const unsigned char* flindra_held_pixels() {
  return saver && saver->options.frames ? saver->pixels.data() : nullptr;
}

}  // extern "C"
