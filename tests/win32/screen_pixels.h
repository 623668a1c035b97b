// Reads what the screen shows through GDI (under Wine the screen device
// context reads the real X display, OpenGL output included).
#pragma once

#include <windows.h>

#include <vector>

// Pixels of a screen rectangle, top row first, 0x00RRGGBB each.
inline std::vector<DWORD> screenPixels(const RECT& r) {
  const int width = r.right - r.left, height = r.bottom - r.top;
  std::vector<DWORD> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP dib = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = ::SelectObject(memory, dib);
  ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  ::GdiFlush();
  const DWORD* source = static_cast<const DWORD*>(bits);
  pixels.assign(source, source + pixels.size());
  ::SelectObject(memory, old);
  ::DeleteObject(dib);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return pixels;
}

// Pixels of the rectangle with a colour channel above the threshold.
inline int litScreenPixels(const RECT& r, int threshold = 20) {
  int lit = 0;
  for (DWORD p : screenPixels(r))
    if (static_cast<int>(p & 0xFF) > threshold || static_cast<int>((p >> 8) & 0xFF) > threshold ||
        static_cast<int>((p >> 16) & 0xFF) > threshold)
      ++lit;
  return lit;
}
