#include "preview_support.h"

#include <GL/gl.h>

#include <chrono>

#include "win32/preview.h"

namespace {

constexpr const char* kHostClassName = "FlindraTestHost";
constexpr const char* kAppletRecordKey = "Software\\FlindraTestApplet";

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

std::string folderOf(const char* path) {
  const std::string text(path);
  return text.substr(0, text.find_last_of("\\/") + 1);
}

}  // namespace


std::string testDirectory() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  return folderOf(path);
}

std::string systemDirectory() {
  char path[MAX_PATH] = {};
  ::GetSystemDirectoryA(path, MAX_PATH);
  return std::string(path) + "\\";
}

std::string handleText(HWND window) {
  return std::to_string(static_cast<long long>(reinterpret_cast<std::intptr_t>(window)));
}

int cursorCount() {
  const int count = ::ShowCursor(TRUE) - 1;
  ::ShowCursor(FALSE);
  return count;
}

HostWindow::HostWindow(int x, int y, int width, int height) {
  thread_ = std::thread([this, x, y, width, height] {
    WNDCLASSA hostClass{};
    hostClass.lpfnWndProc = hostProc;
    hostClass.hInstance = ::GetModuleHandleA(nullptr);
    hostClass.hbrBackground = static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH));
    hostClass.lpszClassName = kHostClassName;
    ::RegisterClassA(&hostClass);
    const HWND window = ::CreateWindowExA(0, kHostClassName, "Host", WS_POPUP | WS_VISIBLE | WS_BORDER, x, y, width, height,
                                          nullptr, nullptr, hostClass.hInstance, nullptr);
    handle_ = window;
    if (window == nullptr) return;
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) ::DispatchMessageA(&message);
  });
  waitUntil([this] { return handle_ != nullptr; });
}

HostWindow::~HostWindow() {
  close();
  thread_.join();
}

void HostWindow::close() const {
  if (::IsWindow(handle_)) ::PostMessageA(handle_, WM_CLOSE, 0, 0);
}

Readback readWindowPixels(HWND window) {
  Readback result;
  RECT client{};
  ::GetClientRect(window, &client);
  const int width = client.right;
  const int height = client.bottom;
  const HDC dc = ::GetDC(window);
  if (dc == nullptr) return result;
  const HGLRC context = ::GetPixelFormat(dc) != 0 ? ::wglCreateContext(dc) : nullptr;
  if (context != nullptr && width > 0 && height > 0 && ::wglMakeCurrent(dc, context)) {
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    ::glReadBuffer(GL_BACK);
    ::glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    result.ok = true;
    std::uint64_t hash = 1469598103934665603u;
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
      if (pixels[i] > 0x40 || pixels[i + 1] > 0x40 || pixels[i + 2] > 0x40) ++result.lit;
      for (std::size_t c = 0; c < 3; ++c) hash = (hash ^ pixels[i + c]) * 1099511628211u;
    }
    result.hash = hash;
    ::wglMakeCurrent(nullptr, nullptr);
  }
  if (context != nullptr) ::wglDeleteContext(context);
  ::ReleaseDC(window, dc);
  return result;
}

InstalledApplet::InstalledApplet(AppletVariant variant, const std::string& folder) : file_(folder + "PASSWORD.CPL") {
  const std::string source = testDirectory() + (variant == AppletVariant::WithVerify
                                                    ? "test_password_applet.dll"
                                                    : "test_password_applet_noexport.dll");
  ::RegDeleteTreeA(HKEY_CURRENT_USER, kAppletRecordKey);
  ::CopyFileA(source.c_str(), file_.c_str(), FALSE);
}

InstalledApplet::~InstalledApplet() {
  ::DeleteFileA(file_.c_str());
  ::RegDeleteTreeA(HKEY_CURRENT_USER, kAppletRecordKey);
  ::RegDeleteKeyA(HKEY_CURRENT_USER, kAppletRecordKey);
}

void InstalledApplet::answer(std::int32_t value) const {
  setDword(kAppletRecordKey, "Answer", static_cast<std::uint32_t>(value));
}

AppletRecord appletRecord() {
  AppletRecord record;
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, kAppletRecordKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return record;
  DWORD size = sizeof record.calls;
  ::RegQueryValueExA(key, "Calls", nullptr, nullptr, reinterpret_cast<BYTE*>(&record.calls), &size);
  size = sizeof record.owner;
  ::RegQueryValueExA(key, "Owner", nullptr, nullptr, reinterpret_cast<BYTE*>(&record.owner), &size);
  size = sizeof record.cursorCount;
  ::RegQueryValueExA(key, "CursorCount", nullptr, nullptr, reinterpret_cast<BYTE*>(&record.cursorCount), &size);
  char path[MAX_PATH] = {};
  size = sizeof path - 1;
  ::RegQueryValueExA(key, "Path", nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size);
  record.path = path;
  ::RegCloseKey(key);
  return record;
}
