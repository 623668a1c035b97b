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

// Where each control goes at a DPI, in client pixels. Labels size to their
// text, so only their top left is laid out.
struct DialogLayout {
  SIZE window;                   // the dialog's outer size where its frame leaves room
  RECT sliders[kSettingCount];
  POINT labels[kSettingCount];
  RECT buttons[3];               // Save, Our site, Cancel
  int thumbLength;
  int fontHeight;                // labels and buttons, character height in pixels
  int bottomMargin;              // from the dialog's client bottom to the screen's
};
DialogLayout LayoutSettingsDialog(int dpi);

// The outer size that gives every control of layout room inside frame, and
// never less than layout.window.
PixelSize DialogOuterSize(const DialogLayout& layout, FrameInsets frame);

enum DialogButton { kSaveButton, kOurSiteButton, kCancelButton };

struct SettingsDialog {
  SettingsDialog() = default;
  ~SettingsDialog();
  SettingsDialog(const SettingsDialog&) = delete;
  SettingsDialog& operator=(const SettingsDialog&) = delete;

  HWND window = nullptr;
  HWND sliders[kSettingCount] = {};  // in table order; tab order: sliders, then buttons
  HWND buttons[3] = {};
  HWND labels[kSettingCount] = {};
  int dpi = USER_DEFAULT_SCREEN_DPI;
  // The saver behind the dialog; null when the settings could not be read.
  std::unique_ptr<Saver> saver;
  Settings loaded;               // what the sliders start from when there is no saver
  SettingsKey* saveKey = nullptr;  // where Save stores; null means the registry

  // The settings the sliders edit: the running saver's.
  Settings& settings() { return saver ? saver->settings : loaded; }
  // Lays every control out for dpi: fonts, bounds, thumb length.
  void layOut(int newDpi);
  // Stores the sliders' positions and ends the program.
  void save();
  // Asks the shell to open the home page.
  void openHomePage();
  LRESULT handle(HWND w, UINT message, WPARAM wParam, LPARAM lParam);

  HFONT labelFont = nullptr;
  HFONT buttonFont = nullptr;
  HBRUSH background = nullptr;
  HWND lastFocus = nullptr;
  bool comStarted = false;  // COM initialised for the shell, to be uninitialised
};

// Creates the dialog hidden, loads the settings and starts the saver behind
// it (not after a read error, which is shown). False when the program has
// nothing to show and should end.
bool CreateSettingsDialog(SettingsDialog& dialog);

// Settings mode: the dialog in front of the running saver until it ends.
void RunSettingsDialog();
