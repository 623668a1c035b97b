// Program entry: reads the mode switch and starts one of the three modes.
#include <windows.h>

#include <commctrl.h>

#include "core/cmdline.h"
#include "core/fpu.h"
#include "win32/preview.h"
#include "win32/saver_window.h"
#include "win32/settings_dialog.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MaskFloatingPointExceptions();

  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_BAR_CLASSES | ICC_STANDARD_CLASSES;
  ::InitCommonControlsEx(&controls);

  const auto args = SplitCommandLine(::GetCommandLineA());
  switch (ModeFromArguments(args)) {
    case SaverMode::Settings:
      RunSettingsDialog();
      break;
    case SaverMode::Preview:
      RunPreview(args.size() > 2 ? std::string_view(args[2]) : std::string_view());
      break;
    case SaverMode::FullScreen:
      RunSaver();
      break;
  }
  return 0;
}
