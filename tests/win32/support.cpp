#include "support.h"

#include <algorithm>
#include <cstdio>

#include "core/settings.h"
#include "win32/settings_dialog.h"
#include "win32/preview.h"

namespace {

const char* const kNames[kSettingCount] = {"Fast", "Bright", "Size", "Satiation", "Color", "Alpha"};

std::string directory(const std::string& path) { return path.substr(0, path.find_last_of("\\/") + 1); }

std::string windowText(HWND window) {
  char text[1024] = {};
  ::GetWindowTextA(window, text, sizeof text);
  return text;
}

// The visible top-level windows of a process with the given class.
std::vector<HWND> visibleWindows(DWORD processId, const char* className) {
  struct Search {
    DWORD pid;
    const char* cls;
    std::vector<HWND> found;
  } search{processId, className, {}};
  ::EnumWindows(
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(w, &pid);
        char cls[64] = {};
        ::GetClassNameA(w, cls, sizeof cls);
        if (pid == s->pid && std::string(cls) == s->cls && ::IsWindowVisible(w)) s->found.push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

// ---- RegistrySandbox ------------------------------------------------------

void RegistrySandbox::deleteKey() { ::RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKeyPath); }

bool RegistrySandbox::keyExists() { return ::keyExists(kSettingsKeyPath); }

void RegistrySandbox::setValue(const char* name, DWORD type, const void* data, DWORD size) {
  ::setValue(kSettingsKeyPath, name, type, data, size);
}

void RegistrySandbox::setDword(const char* name, std::int32_t value) {
  const auto data = static_cast<DWORD>(value);
  setValue(name, REG_DWORD, &data, sizeof data);
}

void RegistrySandbox::setString(const char* name, const char* value) {
  setValue(name, REG_SZ, value, static_cast<DWORD>(std::string(value).size() + 1));
}

void RegistrySandbox::setAll(const std::vector<std::int32_t>& values) {
  for (int i = 0; i < kSettingCount; ++i) setDword(kNames[i], values.at(static_cast<std::size_t>(i)));
}

std::optional<std::int32_t> RegistrySandbox::dword(const char* name) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  DWORD type = 0, data = 0, size = sizeof data;
  const LONG status = ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
  ::RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_DWORD) return std::nullopt;
  return static_cast<std::int32_t>(data);
}

std::optional<std::vector<std::int32_t>> RegistrySandbox::all() {
  std::vector<std::int32_t> values;
  for (const char* name : kNames) {
    const auto v = dword(name);
    if (!v) return std::nullopt;
    values.push_back(*v);
  }
  return values;
}

HWND waitForSaverInForeground(const SaverProcess& saver) {
  const HWND w = saver.waitForWindow("TForm1");
  if (w == nullptr || !waitUntil(screenSaverRunningSystemWide)) return nullptr;
  return waitUntil([w] { return ::GetForegroundWindow() == w; }) ? w : nullptr;
}

// ---- the screen -----------------------------------------------------------

std::vector<DWORD> screenPixels(const RECT& area) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  std::vector<DWORD> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HDC screen = ::GetDC(nullptr);
  const HDC memory = ::CreateCompatibleDC(screen);
  const HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ previous = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  ::GdiFlush();
  std::copy_n(static_cast<const DWORD*>(bits), pixels.size(), pixels.begin());
  ::SelectObject(memory, previous);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return pixels;
}

long long litPixels(const std::vector<DWORD>& pixels) {
  long long lit = 0;
  for (DWORD p : pixels)
    if ((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF) > 120) ++lit;
  return lit;
}

// ---- waits ----------------------------------------------------------------

namespace {
bool quitArrived = false;
}  // namespace

void pumpMessages() {
  MSG msg;
  while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quitArrived = true;
      continue;
    }
    const HWND root = msg.hwnd != nullptr ? ::GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    char cls[32] = {};
    if (root != nullptr) ::GetClassNameA(root, cls, sizeof cls);
    if (std::string(cls) == kDialogClassName && ::IsDialogMessageA(root, &msg)) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
  }
}

bool quitSeen() { return quitArrived; }
void forgetQuit() { quitArrived = false; }

bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  while (true) {
    pumpMessages();
    if (done()) return true;
    if (::GetTickCount64() >= end) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
}

bool waitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG end = ::GetTickCount64() + timeoutMs;
  while (!done()) {
    if (::GetTickCount64() >= end) return false;
    ::Sleep(5);
  }
  return true;
}

// ---- MessageBoxWatcher ----------------------------------------------------

MessageBoxWatcher::MessageBoxWatcher(DWORD processId) : processId_(processId) {
  ::InitializeCriticalSection(&lock_);
  thread_ = std::thread([this] { watch(); });
}

MessageBoxWatcher::~MessageBoxWatcher() {
  stop_ = true;
  thread_.join();
  ::DeleteCriticalSection(&lock_);
}

void MessageBoxWatcher::watch() {
  std::vector<HWND> handled;
  while (!stop_) {
    for (HWND box : visibleWindows(processId_, "#32770")) {
      if (std::find(handled.begin(), handled.end(), box) != handled.end()) continue;
      char text[1024] = {};
      ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the message box's text control
      ::EnterCriticalSection(&lock_);
      boxes_.push_back(Box{windowText(box), text});
      ::LeaveCriticalSection(&lock_);
      handled.push_back(box);
      ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    ::Sleep(10);
  }
}

bool MessageBoxWatcher::waitForBoxes(std::size_t count, DWORD timeoutMs) {
  return pumpUntil([&] { return boxes().size() >= count; }, timeoutMs);
}

std::vector<MessageBoxWatcher::Box> MessageBoxWatcher::boxes() {
  ::EnterCriticalSection(&lock_);
  auto copy = boxes_;
  ::LeaveCriticalSection(&lock_);
  return copy;
}

// ---- SaverProcess ---------------------------------------------------------

std::string builtProgramPath() {
  char self[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, self, MAX_PATH);
  return directory(self) + "flindra.scr";
}

SaverProcess::SaverProcess(const std::string& arguments) {
  const std::string program = builtProgramPath();
  std::string commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  // HACK: very rarely Wine fails to create a process at all (as
  // scripts/wine-test sees at the top level), here with ERROR_INTERNAL_ERROR
  // before the program runs; that case alone is tried once more, and said so.
  for (int attempt = 1; attempt <= 2; ++attempt) {
    if (::CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &info_))
      return;
    const DWORD error = ::GetLastError();
    if (error != ERROR_INTERNAL_ERROR || attempt == 2) {
      ADD_FAILURE() << "cannot start " << program << " (error " << error << ")";
      return;
    }
    std::printf("SaverProcess: Wine could not create the process (error %lu); starting it once more\n", error);
  }
}

SaverProcess::~SaverProcess() {
  if (info_.hProcess == nullptr) return;
  if (::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
    ::TerminateProcess(info_.hProcess, 1);
    ::WaitForSingleObject(info_.hProcess, 5000);
  }
  ::CloseHandle(info_.hThread);
  ::CloseHandle(info_.hProcess);
}

HWND SaverProcess::window(const char* className) const {
  const auto found = visibleWindows(info_.dwProcessId, className);
  return found.empty() ? nullptr : found.front();
}

HWND SaverProcess::previewWindow(HWND parent) const {
  HWND window = nullptr;
  while ((window = ::FindWindowExA(parent, window, kPreviewClassName, nullptr)) != nullptr) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == info_.dwProcessId) return window;
  }
  return nullptr;
}

HWND SaverProcess::waitForWindow(const char* className, DWORD timeoutMs) const {
  HWND found = nullptr;
  waitUntil([&] { return (found = window(className)) != nullptr; }, timeoutMs);
  return found;
}

std::optional<DWORD> SaverProcess::waitForExit(DWORD timeoutMs) {
  if (info_.hProcess == nullptr || ::WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0)
    return std::nullopt;
  DWORD code = 0;
  ::GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

// ---- the running notice ---------------------------------------------------

bool screenSaverRunningSystemWide() {
  // NOTE: Wine keeps the flag in this volatile key and each process caches
  // what it read first, so another process's change shows only here.
  char value[16] = {};
  DWORD size = sizeof value;
  if (::RegGetValueA(HKEY_CURRENT_USER, "Software\\Wine\\Temporary System Parameters\\Control Panel\\Desktop",
                     "WINE_ScreenSaverRunning", RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
    return false;
  return std::string(value) == "1";
}

bool screenSaverRunningHere() {
  BOOL running = FALSE;
  ::SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
  return running != FALSE;
}

void clearScreenSaverRunning() { ::SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, FALSE, nullptr, 0); }

// ---- input ----------------------------------------------------------------

void sendKey(WORD key, bool down) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  ::SendInput(1, &input, sizeof input);
}

void sendMouseMoveTo(int x, int y) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = ::MulDiv(x, 65535, ::GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = ::MulDiv(y, 65535, ::GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  ::SendInput(1, &input, sizeof input);
}

bool placePointer(int x, int y) {
  sendMouseMoveTo(x, y);
  return waitUntil([x, y] {
    POINT at{};
    ::GetCursorPos(&at);
    return at.x == x && at.y == y;
  });
}

void sendMouseClick() {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  ::SendInput(2, input, sizeof input[0]);
}

void sendWheel(DWORD direction) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.mouseData = WHEEL_DELTA;
  input.mi.dwFlags = direction;
  ::SendInput(1, &input, sizeof input);
}

PIXELFORMATDESCRIPTOR pixelFormatAskedFor(SurfaceVariant variant) {
  const HDC screen = ::GetDC(nullptr);
  const auto bits = static_cast<BYTE>(::GetDeviceCaps(screen, BITSPIXEL) & 0xFF);
  ::ReleaseDC(nullptr, screen);
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags = 0x25;  // PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER
  pfd.cColorBits = bits;
  pfd.cDepthBits = variant == SurfaceVariant::FullScreen ? bits : BYTE{16};
  return pfd;
}

namespace {

const char* formatTakenFrom = nullptr;  // the class whose windows lose their format

LRESULT CALLBACK takeAFormat(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  char cls[64] = {};
  ::GetClassNameA(sent->hwnd, cls, sizeof cls);
  if (code == HC_ACTION && sent->message == WM_CREATE && formatTakenFrom != nullptr &&
      std::string(cls) == formatTakenFrom) {
    const HDC dc = ::GetDC(sent->hwnd);
    const PIXELFORMATDESCRIPTOR wanted = pixelFormatAskedFor(SurfaceVariant::FullScreen);
    const int chosen = ::ChoosePixelFormat(dc, &wanted);
    const int count = ::DescribePixelFormat(dc, 1, sizeof wanted, nullptr);
    for (int i = 1; i <= count; ++i) {
      PIXELFORMATDESCRIPTOR pfd{};
      ::DescribePixelFormat(dc, i, sizeof pfd, &pfd);
      if (i != chosen && (pfd.dwFlags & PFD_DRAW_TO_WINDOW) != 0 && (pfd.dwFlags & PFD_SUPPORT_OPENGL) != 0 &&
          ::SetPixelFormat(dc, i, &pfd))
        break;
    }
    ::ReleaseDC(sent->hwnd, dc);
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

PixelFormatTakenAtCreation::PixelFormatTakenAtCreation(const char* className) {
  formatTakenFrom = className;
  hook_ = ::SetWindowsHookExA(WH_CALLWNDPROCRET, takeAFormat, nullptr, ::GetCurrentThreadId());
  EXPECT_NE(hook_, nullptr);
}

PixelFormatTakenAtCreation::~PixelFormatTakenAtCreation() {
  ::UnhookWindowsHookEx(hook_);
  formatTakenFrom = nullptr;
}

namespace {

const char* activationRefusedTo = nullptr;  // the class whose windows stay inactive

LRESULT CALLBACK refuseActivation(int code, WPARAM wParam, LPARAM lParam) {
  char cls[64] = {};
  if (code == HCBT_ACTIVATE) ::GetClassNameA(reinterpret_cast<HWND>(wParam), cls, sizeof cls);
  if (activationRefusedTo != nullptr && std::string(cls) == activationRefusedTo) return 1;
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

ActivationRefused::ActivationRefused(const char* className) {
  activationRefusedTo = className;
  hook_ = ::SetWindowsHookExA(WH_CBT, refuseActivation, nullptr, ::GetCurrentThreadId());
  EXPECT_NE(hook_, nullptr);
}

ActivationRefused::~ActivationRefused() {
  ::UnhookWindowsHookEx(hook_);
  activationRefusedTo = nullptr;
}
