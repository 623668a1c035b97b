// Program entry: reads the mode switch and starts one of the three modes.
#include <windows.h>

#include "core/cmdline.h"
#include "core/fpu.h"
#include "win32/preview.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MaskFloatingPointExceptions();
  const auto args = SplitCommandLine(::GetCommandLineA());
  const char letter = ModeLetter(args.size() > 1 ? args[1] : std::string());
  if (ModeFromLetter(letter) == SaverMode::Preview) {
    RunPreview();
    return 0;
  }
  (void)ModeFromLetter(letter);
  return 0;
}
