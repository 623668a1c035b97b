// Calls looked up at run time: those newer than Windows 7 SP1, so that the
// program starts on every Windows it supports (each has the older way as
// fallback), and any function a library or driver offers by name.
#pragma once

#include <windows.h>

#include "core/window_size.h"

// A function looked up at run time (GetProcAddress, wglGetProcAddress) as
// its own type, through the generic function type; null stays null.
template <class Function>
Function FunctionFrom(FARPROC found) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

// The window's DPI (GetDpiForWindow), else the screen's LOGPIXELSX.
int WindowDpi(HWND window);

// What a frame of these styles adds around the client area at dpi
// (AdjustWindowRectExForDpi), else at the system's DPI (AdjustWindowRectEx).
FrameInsets FrameAround(DWORD style, DWORD exStyle, int dpi);
