#include "x11/fps_overlay.h"


namespace {

// Tried in order; "fixed" is built into every X server.
const char* const kFonts[] = {"-*-courier-bold-r-normal-*-*-140-*-*-*-*-iso8859-1", "fixed"};
constexpr int kFirstChar = 32, kLastChar = 126;
constexpr int kMargin = 8;  // pixels from the corner
// The Windows dialog's label colour.
constexpr GLfloat kTextColor[3] = {225 / 255.0f, 190 / 255.0f, 0.0f};

}  // namespace

bool FpsOverlay::open(Display* display) {
  for (const char* name : kFonts) {
    font_ = XLoadQueryFont(display, name);
    if (font_ != nullptr) break;
  }
  if (font_ == nullptr) return false;
  lists_ = glGenLists(kLastChar + 1);
  glXUseXFont(font_->fid, kFirstChar, kLastChar - kFirstChar + 1, static_cast<int>(lists_) + kFirstChar);
  return true;
}

void FpsOverlay::close(Display* display) {
  if (lists_ != 0) glDeleteLists(lists_, kLastChar + 1);
  if (font_ != nullptr) XFreeFont(display, font_);
  lists_ = 0;
  font_ = nullptr;
}

void FpsOverlay::draw(int left, int bottom, int width, int height) const {
  if (lists_ == 0) return;
  // Every piece of state it touches goes back as it was. The colour material
  // goes off before the text's colour: while on, it copies the current
  // colour into the material, which the flakes would then be lit with.
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glDisable(GL_COLOR_MATERIAL);
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glViewport(left, bottom, width, height);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, width, 0, height, -1, 1);
  glColor3fv(kTextColor);
  glRasterPos2i(kMargin, kMargin + font_->descent);
  for (const char* c = rate_.text(); *c != '\0'; ++c) {
    // HACK: Mesa's glXUseXFont gives the blank glyph no advance; move by the
    // font's width instead.
    if (*c == ' ') glBitmap(0, 0, 0.0f, 0.0f, static_cast<GLfloat>(font_->max_bounds.width), 0.0f, nullptr);
    else glCallList(lists_ + static_cast<GLuint>(*c));
  }
  glPopMatrix();
  glPopAttrib();
}
