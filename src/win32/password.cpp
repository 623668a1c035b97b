#include "win32/password.h"

#include <cstdint>

#include "win32/newer_calls.h"

bool VerifySaverPassword(HWND owner) {
  bool result = true;
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kDesktopKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return true;

  // Data shorter than 4 bytes fills the low bytes of a zeroed value.
  std::int32_t usePassword = 0;
  DWORD size = sizeof usePassword;
  const LONG status =
      ::RegQueryValueExA(key, kUsePasswordValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&usePassword), &size);
  if (status == ERROR_SUCCESS && usePassword != 0) {
    // Only the system directory: a library of that name next to the program
    // or in the current directory must never be run.
    const HMODULE applet = ::LoadLibraryExA(kPasswordAppletName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (reinterpret_cast<std::uintptr_t>(applet) > 32) {
      // BOOL WINAPI VerifyScreenSavePwd(HWND owner): nonzero when verified.
      const auto verify = FunctionFrom<BOOL(WINAPI*)(HWND)>(::GetProcAddress(applet, kVerifyFunctionName));
      ::ShowCursor(TRUE);
      if (verify != nullptr) result = verify(owner) != 0;
      ::ShowCursor(FALSE);
      ::FreeLibrary(applet);
    }
  }
  ::RegCloseKey(key);
  return result;
}
