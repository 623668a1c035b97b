// A test that runs the saver or the settings dialog in this process: the
// settings key sandboxed, the running notice cleared, everything made here
// destroyed and any pending quit dropped afterwards.
#pragma once

#include <memory>
#include <vector>

#include "core/fpu.h"
#include "support.h"
#include "win32/registry_settings.h"
#include "win32/saver_window.h"
#include "win32/settings_dialog.h"

class SaverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MaskFloatingPointExceptions();
    clearScreenSaverRunning();
    forgetQuit();
  }
  void TearDown() override {
    endTest();
    clearScreenSaverRunning();
  }

  // Full-screen mode as the program starts it: stored settings, windows shown.
  void startSaver(SaverInput input = SaverInput::AnyInputEnds) {
    const bool loaded = LoadStoredSettings(settings);
    saver = std::make_unique<Saver>(input, settings);
    if (saver->Create(loaded)) saver->Show();
  }
  // Settings mode as the program starts it; Save stores into store (null:
  // the registry).
  HWND startDialog(SettingsKey* store = nullptr) {
    dialog = std::make_unique<SettingsDialog>(store);
    return dialogWindow = dialog->Create();
  }
  // The saver's window on the primary monitor (the test screen's only one).
  static HWND saverWindow() { return ::FindWindowA(kSaverClassName, nullptr); }
  // The program has ended: a quit was posted.
  bool ended() {
    pumpMessages();
    return quitSeen();
  }
  // Destroys what the test made and drops a pending quit.
  void endTest() {
    dialog.reset();
    saver.reset();
    pumpMessages();
    forgetQuit();
  }

  // The dialog's controls of a class, in creation order.
  std::vector<HWND> controls(const char* className) const {
    std::vector<HWND> found;
    for (HWND c = ::GetWindow(dialogWindow, GW_CHILD); c != nullptr; c = ::GetWindow(c, GW_HWNDNEXT)) {
      char cls[64] = {};
      ::GetClassNameA(c, cls, sizeof cls);
      if (::lstrcmpiA(cls, className) == 0) found.push_back(c);
    }
    return found;
  }
  std::vector<HWND> sliders() const { return controls("msctls_trackbar32"); }  // in table order
  std::vector<HWND> labels() const { return controls("Static"); }
  HWND button(const char* caption) const { return ::FindWindowExA(dialogWindow, nullptr, "Button", caption); }

  // One tick of the saver's timer, through its window procedure.
  static void tick() { ::SendMessageA(saverWindow(), WM_TIMER, kFrameTimerId, 0); }

  RegistrySandbox registry;
  // What the full-screen saver draws with: as the settings dialog does, a
  // test may change it between ticks.
  Settings settings;
  std::unique_ptr<Saver> saver;
  std::unique_ptr<SettingsDialog> dialog;
  HWND dialogWindow = nullptr;
};
