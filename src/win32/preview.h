// Preview mode: the flake field drawn inside the host's preview pane (a
// disabled child of the window whose handle comes on the command line) or,
// without a usable handle, in a small top-most popup that a key press ends.
// A worker thread asks for one repaint every 31 ms; each paint builds the
// OpenGL surface, draws one frame and releases it again.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string_view>

#include "core/fade.h"
#include "core/flakes.h"

constexpr const char* kPreviewClassName = "MyTundraScreenSaverClass";
constexpr const char* kPreviewWindowName = "VaRiruz";

// The popup stands in for the host's pane when no parent is given, so it
// takes the pane's usual size, in pixels.
constexpr int kPopupWidth = 152;
constexpr int kPopupHeight = 112;

constexpr DWORD kRenderTickMs = kFrameIntervalMs;  // sleep between two repaint requests

// Shared by the window thread and the render thread.
extern std::atomic<HWND> PreviewHandle;          // the preview window; written before the thread starts
extern std::atomic<std::int32_t> PreviewWidth;   // pixels, measured once by the render thread
extern std::atomic<std::int32_t> PreviewHeight;  // pixels, measured once by the render thread
extern std::atomic<bool> StopRequested;          // a key press was allowed to end the preview
extern std::atomic<HWND> PreviewParent;          // the host's window, or null for the popup
extern std::atomic<DWORD> PreviewWindowThread;   // the thread that runs the preview's loop
// The window thread is done with the preview window (it is being destroyed
// or the loop has ended): the render thread must not touch it again.
extern std::atomic<bool> PreviewEnded;
// The render thread has fixed the preview's settings (kPreviewSettings);
// until then a paint draws with all six at zero.
extern std::atomic<bool> PreviewSettingsFixed;

// Window thread only.
extern HDC PreviewDC;        // held during one frame
extern HGLRC PreviewRC;      // held during one frame
extern FlakeField* PreviewField;  // the preview's field, seeded by the first paint; null before

// Runs the preview for command-line argument 2 and returns when its message
// loop has ended. A handle that names no window, or a window that cannot be
// created, returns at once without starting the render thread.
void RunPreview();
void RunPreview(std::string_view parentArgument);

// Registers the class (once per process) and creates the child of parent, or
// the top-most popup when parent is null; stores and returns the handle.
HWND CreatePreviewWindow(int width, int height, HWND parent);

// Measures and shows the window, fixes the preview settings, then requests a
// repaint every tick until a stop is requested or the window is done with.
// Should the window or its host vanish without the window thread hearing of
// it, the thread's loop is told to quit.
DWORD WINAPI PreviewRenderThread(LPVOID parameter);

LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// One frame into PreviewHandle: surface set up, first-paint seeding, clear,
// step and draw, swap, surface released, window validated. After a failed
// pixel format (reported once) every later paint only validates.
void PaintPreviewFrame();
