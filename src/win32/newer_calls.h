// Calls newer than Windows 7 SP1, looked up at run time so that the program
// starts on every Windows it supports; each has the older way as fallback.
#pragma once

#include <windows.h>

#include "core/window_size.h"

// The window's DPI (GetDpiForWindow), else the screen's LOGPIXELSX.
int WindowDpi(HWND window);

// What a frame of these styles adds around the client area at dpi
// (AdjustWindowRectExForDpi), else at the system's DPI (AdjustWindowRectEx).
FrameInsets FrameAround(DWORD style, DWORD exStyle, int dpi);
