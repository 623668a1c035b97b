// The WGL half of the rendering surface: pixel format, context, release. A
// window's surface is its device context and OpenGL context; a null handle
// is not held.
#pragma once

#include <windows.h>

#include "core/flakes.h"

// The pixel format asked for: RGBA, double-buffered, on a window, colour
// bits from the screen depth's low 8 bits; depth bits as many (full screen)
// or 16 (preview).
enum class SurfaceVariant { FullScreen, Preview };

// GetDC, the pixel format chosen and set, a context created and made
// current, the scene set up for width x height pixels. Null on success, else the failure's text
// ("GetDC failed", "ChoosePixelFormat failed", "SetPixelFormat failed",
// "wglCreateContext failed", "wglMakeCurrent failed"); nothing is shown,
// since whether the user is told depends on where the surface is (a host's
// preview pane never shows a box). The full-screen variant presents without
// waiting for the screen's refresh (swap interval 0, where
// WGL_EXT_swap_control exists): the frame timer sets the pace, and one wait
// per monitor would slow every monitor down. On failure the handles got so
// far stay held for ReleaseSurface.
const char* SetupSurface(HWND window, SurfaceVariant variant, HDC& dc, HGLRC& rc, int width, int height);

// Clear, step and draw the field, swap.
void DrawSurfaceFrame(HDC dc, FlakeField& field, const Settings& settings);

// No context current, context deleted, device context released; the handles
// become null, so a second call does nothing.
void ReleaseSurface(HWND window, HDC& dc, HGLRC& rc);
