// A stand-in for the system's password applet, for tests. Its answer and a
// record of each call live under HKEY_CURRENT_USER\Software\FlindraTestApplet,
// so a test in another process can set and read them:
//   Answer       REG_DWORD in, returned as the BOOL result (default 1)
//   Calls        REG_DWORD out, incremented on every call
//   Owner        REG_QWORD out, the owner window handle passed in
//   CursorCount  REG_DWORD out, the cursor display count during the call
//   Path         REG_SZ out, the file this library was loaded from
// Built twice: with the export VerifyScreenSavePwd, and without it (the
// near-miss VerifyScreenSavePassword is exported instead).
#include <windows.h>

#include <cstdint>

namespace {

constexpr const char* kRecordKey = "Software\\FlindraTestApplet";
HMODULE thisModule = nullptr;

BOOL answerAndRecord(HWND owner) {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, kRecordKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return TRUE;

  DWORD answer = 1;
  DWORD size = sizeof answer;
  ::RegQueryValueExA(key, "Answer", nullptr, nullptr, reinterpret_cast<BYTE*>(&answer), &size);

  DWORD calls = 0;
  size = sizeof calls;
  ::RegQueryValueExA(key, "Calls", nullptr, nullptr, reinterpret_cast<BYTE*>(&calls), &size);
  ++calls;
  ::RegSetValueExA(key, "Calls", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&calls), sizeof calls);

  const auto ownerBits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(owner));
  ::RegSetValueExA(key, "Owner", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&ownerBits), sizeof ownerBits);

  const int count = ::ShowCursor(TRUE) - 1;
  ::ShowCursor(FALSE);
  const auto countBits = static_cast<DWORD>(count);
  ::RegSetValueExA(key, "CursorCount", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&countBits), sizeof countBits);

  char path[MAX_PATH] = {};
  const DWORD length = ::GetModuleFileNameA(thisModule, path, MAX_PATH);
  ::RegSetValueExA(key, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path), length + 1);

  ::RegCloseKey(key);
  return static_cast<BOOL>(answer);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) thisModule = instance;
  return TRUE;
}

#ifdef FLINDRA_APPLET_WITHOUT_VERIFY
extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePassword(HWND owner) { return answerAndRecord(owner); }
#else
extern "C" BOOL WINAPI VerifyScreenSavePwd(HWND owner) { return answerAndRecord(owner); }
#endif
