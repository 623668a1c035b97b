// Preview mode: the flake field drawn inside the host's preview pane (a
// disabled child of the window whose handle comes on the command line) or,
// without a usable handle, in a small top-most popup that a key press ends.
// A render thread asks for one repaint every 31 ms; each paint builds the
// OpenGL surface, draws one frame and releases it again.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string_view>

#include "core/beat.h"
#include "core/flakes.h"

constexpr const char* kPreviewClassName = "MyTundraScreenSaverClass";
constexpr const char* kPreviewWindowName = "VaRiruz";

// The popup stands in for the host's pane when no parent is given, so it
// takes the pane's usual size, in pixels.
constexpr int kPopupWidth = 152;
constexpr int kPopupHeight = 112;

constexpr DWORD kRenderTickMs = kFrameIntervalMs;  // sleep between two repaint requests

class Preview {
 public:
  Preview() = default;
  // Ends the render thread and destroys the window if it is still there.
  ~Preview();
  Preview(const Preview&) = delete;
  Preview& operator=(const Preview&) = delete;

  // Runs the preview for a host-window argument and returns when its
  // message loop has ended. A handle that names no window, or a window that
  // cannot be created, returns at once without starting the render thread.
  void Run(std::string_view parentArgument);

  // Registers the class (once per process) and creates the child of parent
  // (covering the size given, normally the host's client area) or the
  // top-most popup when parent is null; stores and returns the handle.
  HWND Create(int width, int height, HWND parent);

  LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // The field, seeded by the first paint; null before.
  FlakeField* field() const { return field_.get(); }

  // Shared by the window thread and the render thread.
  std::atomic<HWND> window{nullptr};          // written before the render thread starts
  std::atomic<std::int32_t> width{0};         // pixels, measured once by the render thread
  std::atomic<std::int32_t> height{0};        // pixels, measured once by the render thread
  std::atomic<bool> stopRequested{false};     // a key press was allowed to end the preview
  // The render thread has fixed the preview's settings (kPreviewSettings);
  // until then a paint draws with all six at zero.
  std::atomic<bool> settingsFixed{false};

 private:
  // One frame: surface set up, first-paint seeding, clear, step and draw,
  // swap, surface released, window validated. After a failed surface every
  // later paint only validates; the failure is shown in a box only in the
  // popup (a host's pane shares its input with the host, which a box would
  // freeze), and the loop is told to quit.
  void paintFrame();

  // Measures and shows the window, fixes the settings, then requests a
  // repaint every tick until a stop is requested or the window is done
  // with. Should the window or its host vanish without the window thread
  // hearing of it, the thread's loop is told to quit.
  static DWORD WINAPI renderThread(LPVOID self);
  void endRenderThread();
  bool windowInUse(HWND w) const;

  std::atomic<HWND> parent_{nullptr};      // the host's window, or null for the popup
  std::atomic<DWORD> windowThread_{0};     // the thread that runs the loop
  // The window thread is done with the window (it is being destroyed or
  // the loop has ended): the render thread must not touch it again.
  std::atomic<bool> ended_{false};

  // Window thread only.
  std::unique_ptr<FlakeField> field_;
  HANDLE thread_ = nullptr;
  bool surfaceFailed_ = false;  // a surface failed; it has been reported
  bool painting_ = false;       // inside paintFrame (an error box pumps messages)
};

// Preview mode for the host-window argument (command-line argument 2).
void RunPreview(std::string_view parentArgument);
