// Helpers for the preview and password tests: a host window on its own
// thread, reading back what OpenGL drew into a window, the test password
// applet, and flindra.scr as a child process.
#pragma once

#include <windows.h>

#include "support.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

std::string testDirectory();    // folder of win32_tests.exe, ending in a backslash
std::string systemDirectory();  // the prefix's system directory, ending in a backslash
std::string handleText(HWND window);  // the handle as a decimal number

// The display count of the mouse cursor for this thread (left unchanged).
int cursorCount();

// A plain top-level popup with a one-pixel border, made and served by a
// thread of its own, like the host's preview pane that lives outside the
// saver's window thread.
class HostWindow {
 public:
  HostWindow(int x, int y, int width, int height);
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  HWND handle() const { return handle_; }
  // Asks the host's thread to destroy the window (WM_CLOSE).
  void close() const;

 private:
  std::thread thread_;
  std::atomic<HWND> handle_{nullptr};
};

// What a window's OpenGL drawable holds, read through a context of our own.
// NOTE: under Wine a child window's frames never reach the screen or a GDI
// read; the drawable's back buffer keeps the last frame after the swap.
struct Readback {
  bool ok = false;         // the window has a pixel format to read through
  int lit = 0;             // pixels with a channel above a dim grey
  std::uint64_t hash = 0;  // of all pixels, to tell frames apart
};
Readback readWindowPixels(HWND window);

enum class AppletVariant { WithVerify, WithoutVerify };

// A test applet put into a folder (the system directory unless told) as
// PASSWORD.CPL, removed again on destruction with its record key.
class InstalledApplet {
 public:
  explicit InstalledApplet(AppletVariant variant, const std::string& folder = systemDirectory());
  ~InstalledApplet();
  InstalledApplet(const InstalledApplet&) = delete;
  InstalledApplet& operator=(const InstalledApplet&) = delete;

  void answer(std::int32_t value) const;

 private:
  std::string file_;
};

// What the test applet recorded about its calls.
struct AppletRecord {
  std::uint32_t calls = 0;
  std::uint64_t owner = 0;
  std::int32_t cursorCount = 0;
  std::string path;
};
AppletRecord appletRecord();

