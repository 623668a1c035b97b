// A stand-in for the display settings: a window with a grey preview pane
// whose handle it passes to "<saver> /p <handle>". Closing the window
// destroys the pane, which ends the preview; the host waits for the saver to
// exit and returns its exit code.
//   preview_host.exe <path of flindra.scr>
#include <windows.h>

#include <string>

namespace {

constexpr int kPaneX = 24;
constexpr int kPaneY = 24;
constexpr int kPaneWidth = 152;
constexpr int kPaneHeight = 112;

LRESULT CALLBACK hostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  WNDCLASSA hostClass{};
  hostClass.lpfnWndProc = hostProc;
  hostClass.hInstance = instance;
  hostClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  hostClass.lpszClassName = "FlindraPreviewHost";
  ::RegisterClassA(&hostClass);

  const HWND host = ::CreateWindowExA(0, "FlindraPreviewHost", "Preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                      200, 150, 220, 200, nullptr, nullptr, instance, nullptr);
  const HWND pane = ::CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_GRAYRECT, kPaneX, kPaneY,
                                      kPaneWidth, kPaneHeight, host, nullptr, instance, nullptr);
  ::UpdateWindow(host);

  std::string line = "\"" + std::string(commandLine) + "\" /p " +
                     std::to_string(static_cast<long long>(reinterpret_cast<std::intptr_t>(pane)));
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return 2;
  ::CloseHandle(process.hThread);

  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  DWORD exitCode = 1;
  if (::WaitForSingleObject(process.hProcess, 5000) == WAIT_OBJECT_0) ::GetExitCodeProcess(process.hProcess, &exitCode);
  ::CloseHandle(process.hProcess);
  return static_cast<int>(exitCode);
}
