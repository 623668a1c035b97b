// The system's screen-saver password check before a key ends the preview.
#pragma once

#include <windows.h>

constexpr const char* kDesktopKeyPath = "Control Panel\\Desktop";
constexpr const char* kUsePasswordValue = "ScreenSaveUsePassword";
constexpr const char* kPasswordAppletName = "PASSWORD.CPL";
constexpr const char* kVerifyFunctionName = "VerifyScreenSavePwd";

// True when the saver may end: no password protection is on, something the
// check needs is missing, or the password applet verified the password.
// False only when the applet answers 0. The applet is loaded from the system
// directory only, and its dialog is owned by owner.
bool VerifySaverPassword(HWND owner);
