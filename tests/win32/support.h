// What the Wine tests share: the settings key saved and restored around each
// test, bounded waits that keep messages flowing, a watcher that reads and
// dismisses message boxes, and flindra.scr run as a child process.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/settings.h"
#include "saved_registry.h"
#include "win32/wgl_surface.h"

// Saves HKCU\Software\Flindra, starts the test without it, and puts back
// exactly what was there.
class RegistrySandbox {
 public:
  RegistrySandbox() { deleteKey(); }

  // Writes one value of any type and size, creating the key.
  static void setValue(const char* name, DWORD type, const void* data, DWORD size);
  static void setDword(const char* name, std::int32_t value);
  static void setString(const char* name, const char* value);
  // Fast, Bright, Size, Satiation, Color, Alpha.
  static void setAll(const std::vector<std::int32_t>& values);
  static std::optional<std::int32_t> dword(const char* name);
  // The six values as stored; none when one is missing or not a REG_DWORD.
  static std::optional<std::vector<std::int32_t>> all();
  static bool keyExists();
  static void deleteKey();

 private:
  SavedRegistryKey saved_{kSettingsKeyPath};
};

// Dispatches this thread's waiting messages as the program's loop does
// (dialog keys through IsDialogMessage); a quit message is noted, not obeyed.
void pumpMessages();
bool quitSeen();
void forgetQuit();
// Polls until done() holds, dispatching this thread's messages between
// polls; false after timeoutMs.
bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000);
// The same without dispatching (for conditions in other processes).
bool waitUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);

// Watches for message boxes of one process, records their caption and text
// and presses their OK button.
class MessageBoxWatcher {
 public:
  struct Box {
    std::string caption;
    std::string text;
  };
  explicit MessageBoxWatcher(DWORD processId = ::GetCurrentProcessId());
  ~MessageBoxWatcher();
  MessageBoxWatcher(const MessageBoxWatcher&) = delete;
  MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;
  // Waits until at least count boxes were seen and dismissed.
  bool waitForBoxes(std::size_t count, DWORD timeoutMs = 5000);
  std::vector<Box> boxes();

 private:
  void watch();
  DWORD processId_;
  std::atomic<bool> stop_{false};
  CRITICAL_SECTION lock_;
  std::vector<Box> boxes_;
  std::thread thread_;
};

// flindra.scr in the build directory, beside the test program.
std::string builtProgramPath();

// flindra.scr from the build directory, started as the host starts it.
class SaverProcess {
 public:
  explicit SaverProcess(const std::string& arguments);
  ~SaverProcess();
  SaverProcess(const SaverProcess&) = delete;
  SaverProcess& operator=(const SaverProcess&) = delete;

  bool started() const { return info_.hProcess != nullptr; }
  DWORD id() const { return info_.dwProcessId; }
  // The preview window of this process: the child of parent, or the
  // top-level window of the preview class when parent is null.
  HWND previewWindow(HWND parent) const;
  // A visible top-level window of the process with this class, or null.
  HWND window(const char* className) const;
  HWND waitForWindow(const char* className, DWORD timeoutMs = 8000) const;
  // The exit code, or none if the process still runs after timeoutMs.
  std::optional<DWORD> waitForExit(DWORD timeoutMs = 5000);

 private:
  PROCESS_INFORMATION info_{};
};

// The system's "a screen saver runs" flag as another process sees it now.
bool screenSaverRunningSystemWide();
// The flag as this process sees it.
bool screenSaverRunningHere();
void clearScreenSaverRunning();

// A screen rectangle as GDI reads it back (under Wine the real X display,
// OpenGL output included): 0x00RRGGBB pixels, top row first.
std::vector<DWORD> screenPixels(const RECT& area);
// Pixels of the rectangle whose red, green and blue add up to more than 120.
long long litPixels(const std::vector<DWORD>& pixels);
inline long long litScreenPixels(const RECT& area) { return litPixels(screenPixels(area)); }

// A test that starts flindra.scr: the settings key saved and restored, and
// the system's running flag cleared before and after.
class SaverProcessTest : public ::testing::Test {
 protected:
  void SetUp() override { clearScreenSaverRunning(); }
  void TearDown() override { clearScreenSaverRunning(); }
  RegistrySandbox registry;
};

// Waits for the full-screen window of saver to be created, announced and in
// the foreground (where real input goes); null if it did not get there.
HWND waitForSaverInForeground(const SaverProcess& saver);

// Real input through the system's input queue.
void sendKey(WORD key, bool down);
void sendMouseMoveTo(int x, int y);
// Moves the pointer and waits until the system reports it there.
bool placePointer(int x, int y);
void sendMouseClick();
// One notch of the wheel: MOUSEEVENTF_WHEEL, or MOUSEEVENTF_HWHEEL to the side.
void sendWheel(DWORD direction);

// The pixel format the program asks for, as the documentation gives it: RGBA,
// double-buffered, on a window; colour bits the screen depth's low 8 bits,
// depth bits as many (full screen) or 16 (preview); every other field 0.
PIXELFORMATDESCRIPTOR pixelFormatAskedFor(SurfaceVariant variant);

// While it lives, every window of this class created on this thread gets,
// as it is created, an OpenGL pixel format other than the one the program
// asks for, so the program's own SetPixelFormat fails as on a display that
// cannot give it.
class PixelFormatTakenAtCreation {
 public:
  explicit PixelFormatTakenAtCreation(const char* className);
  ~PixelFormatTakenAtCreation();
  PixelFormatTakenAtCreation(const PixelFormatTakenAtCreation&) = delete;
  PixelFormatTakenAtCreation& operator=(const PixelFormatTakenAtCreation&) = delete;

 private:
  HHOOK hook_ = nullptr;
};

// While it lives, the system refuses activation to windows of this class on
// this thread, as Windows' foreground lock can: they show without the
// keyboard, which stays with the program in front.
class ActivationRefused {
 public:
  explicit ActivationRefused(const char* className);
  ~ActivationRefused();
  ActivationRefused(const ActivationRefused&) = delete;
  ActivationRefused& operator=(const ActivationRefused&) = delete;

 private:
  HHOOK hook_ = nullptr;
};
