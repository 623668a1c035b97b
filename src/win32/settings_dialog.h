// The settings dialog: six sliders laid out from the settings table, shown in
// front of a running full-screen saver, so a slider change shows from the
// saver's next tick. Save stores the six values; Cancel, the close box and
// Esc end the program without storing anything. Main thread only.
#pragma once

#include <windows.h>

#include <memory>

#include "core/settings.h"
#include "core/window_size.h"
#include "win32/saver_window.h"

constexpr const char* kDialogClassName = "TForm2";
// The product's home page, opened by "Our site".
constexpr const char* kHomePageUrl = FLINDRA_HOME_PAGE;

class SettingsDialog {
 public:
  // Save stores into store; null means the registry.
  explicit SettingsDialog(SettingsKey* store = nullptr) : store_(store) {}
  ~SettingsDialog();
  SettingsDialog(const SettingsDialog&) = delete;
  SettingsDialog& operator=(const SettingsDialog&) = delete;

  // Creates the dialog hidden, loads the settings and starts the saver
  // behind it (not after a read error, which is shown), then shows it.
  // Returns its window; null when the program has nothing to show and
  // should end.
  HWND Create();

  LRESULT handle(HWND w, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  // Lays every control out for dpi (fonts, bounds, thumb length); returns
  // the outer size that gives them room inside the dialog's frame.
  SIZE layOut(int dpi);
  // Stores the sliders' positions and ends the program.
  void save();
  // Asks the shell to open the home page.
  void openHomePage();

  SettingsKey* store_;
  Settings settings_;               // what the sliders edit and the saver draws with
  std::unique_ptr<Saver> saver_;    // null when the settings could not be read
  HWND window_ = nullptr;
  HWND sliders_[kSettingCount] = {};  // in table order; tab order: sliders, then buttons
  HWND buttons_[kDialogButtonCount] = {};  // Save, Our site, Cancel
  HWND labels_[kSettingCount] = {};
  HFONT labelFont_ = nullptr;
  HFONT buttonFont_ = nullptr;
  HBRUSH background_ = nullptr;
  HWND lastFocus_ = nullptr;
  bool comStarted_ = false;  // COM initialised for the shell, to be uninitialised
};

// Settings mode: the dialog in front of the running saver until it ends.
void RunSettingsDialog();
