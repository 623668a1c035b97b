// Program entry: reads the mode switch and starts one of the three modes.
#include <windows.h>

#include "core/cmdline.h"
#include "core/fpu.h"
#include "win32/Full.h"
#include "win32/SettingsForm.h"
#include "win32/forms.h"
#include "win32/preview.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MaskFloatingPointExceptions();
  const auto args = SplitCommandLine(::GetCommandLineA());
  const char letter = ModeLetter(args.size() > 1 ? args[1] : std::string());

  Application.Initialize();
  Application.Title = "Flindra";
  switch (ModeFromLetter(letter)) {
    case SaverMode::Settings:
      // The dialog creates the saver window behind itself; that window
      // completes first and is the main form.
      Application.CreateForm(Form2);
      break;
    case SaverMode::Preview:
      // The preview runs its own window and message loop and returns when
      // they end; Run below then returns at once, as there is no main form.
      RunPreview();
      break;
    case SaverMode::FullScreen:
      EndOnAnyInput = true;
      Application.CreateForm(Form1);
      break;
  }
  Application.Run();
  Application.DestroyForms();
  return 0;
}
