// A test that runs the saver or the settings dialog in this process: the
// settings key sandboxed, the running notice cleared, everything made here
// destroyed and any pending quit dropped afterwards.
#pragma once

#include <memory>

#include "core/fpu.h"
#include "support.h"
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
  Saver& startSaver(SaverInput input = SaverInput::AnyInputEnds) {
    saver = std::make_unique<Saver>(input);
    StartSaver(*saver);
    return *saver;
  }
  // Settings mode as the program starts it.
  SettingsDialog& startDialog() {
    dialog = std::make_unique<SettingsDialog>();
    CreateSettingsDialog(*dialog);
    return *dialog;
  }
  // The saver under test: the full-screen one or the one behind the dialog.
  Saver& activeSaver() const { return saver ? *saver : *dialog->saver; }
  HWND saverWindow() const { return activeSaver().primaryWindow(); }
  FlakeField& field() const { return *activeSaver().windows.at(0).field; }
  // The program has ended: the saver ended itself, or a quit was posted.
  bool ended() {
    pumpMessages();
    return (saver && saver->ended()) || quitSeen();
  }
  // Destroys what the test made and drops a pending quit.
  void endTest() {
    dialog.reset();
    saver.reset();
    pumpMessages();
    forgetQuit();
  }

  // One tick of the saver's timer, through its window procedure.
  static void tick(const Saver& s) { ::SendMessageA(s.primaryWindow(), WM_TIMER, kFrameTimerId, 0); }

  RegistrySandbox registry;
  std::unique_ptr<Saver> saver;
  std::unique_ptr<SettingsDialog> dialog;
};
