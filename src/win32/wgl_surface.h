// The WGL half of the rendering surface: pixel format, context, release.
#pragma once

#include <windows.h>

#include "core/flakes.h"

enum class SurfaceVariant { FullScreen, Preview };

// The screen's colour depth (BITSPIXEL of the whole screen's device context).
int ScreenBitsPerPixel();

// The pixel-format request: RGBA, double-buffered, on a window, colour bits
// from the screen depth's low 8 bits; depth bits as many (full screen) or 16
// (preview). Every other field 0.
PIXELFORMATDESCRIPTOR PixelFormatRequest(int screenBitsPerPixel, SurfaceVariant variant);

// Chooses and sets the pixel format of dc. On failure shows "ChoosePixelFormat
// failed" or "SetPixelFormat failed" (caption "Error", OK) and returns false.
bool SetupPixelFormat(HDC dc, SurfaceVariant variant);

// A window's surface is its device context and OpenGL context; a null handle
// is not held.

// GetDC, SetupPixelFormat, a context created and made current, the scene set
// up. Returns false after a failed pixel format, with dc held and no context.
bool SetupSurface(HWND window, SurfaceVariant variant, HDC& dc, HGLRC& rc, int viewWidth, int viewHeight,
                  int aspectWidth, int aspectHeight);

// Clear, step and draw the field, swap.
void DrawSurfaceFrame(HDC dc, FlakeField& field, const Settings& settings);

// No context current, context deleted, device context released; the handles
// become null, so a second call does nothing.
void ReleaseSurface(HWND window, HDC& dc, HGLRC& rc);
