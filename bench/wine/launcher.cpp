// Starts a saver process the way a host would, for the whole-process figures.
//   launcher.exe run SECONDS COMMAND...      run the command, end it after SECONDS
//   launcher.exe host SECONDS COMMAND...     make a 152 x 112 host window, run
//                                            "COMMAND /p HWND", end it after SECONDS
//   launcher.exe first-frame COMMAND...      milliseconds from start to the first
//                                            frame of a full-screen saver
//   launcher.exe display-off SECONDS COMMAND...  as run, and once the saver's
//                                            window is there, tell it the console
//                                            display is off, as the system would
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string joined(int argc, char** argv, int from) {
  std::string line;
  for (int i = from; i < argc; ++i) line += std::string(i > from ? " " : "") + argv[i];
  return line;
}

PROCESS_INFORMATION start(std::string commandLine) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "cannot start %s\n", commandLine.c_str());
    std::exit(1);
  }
  return pi;
}

// Pumps this thread's messages for the given time.
void pumpFor(DWORD milliseconds) {
  const DWORD end = ::GetTickCount() + milliseconds;
  while (static_cast<LONG>(end - ::GetTickCount()) > 0) {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

struct Search {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK findVisibleFrame(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  BYTE alpha = 0;
  DWORD flags = 0;
  if (pid == search->pid && ::GetLayeredWindowAttributes(window, nullptr, &alpha, &flags) && alpha > 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK findSaverWindow(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  char className[16] = {};
  ::GetClassNameA(window, className, sizeof className);
  if (pid == search->pid && std::string(className) == "TForm1") {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// Sends the saver WM_POWERBROADCAST with GUID_CONSOLE_DISPLAY_STATE 0, the
// setting written into the saver's own memory as the system's would be.
bool tellDisplayOff(const PROCESS_INFORMATION& pi) {
  Search search{pi.dwProcessId, nullptr};
  for (int i = 0; i < 1000 && search.found == nullptr; ++i) {
    ::EnumWindows(findSaverWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) ::Sleep(10);
  }
  if (search.found == nullptr) return false;
  struct {
    GUID setting;
    DWORD length;
    DWORD state;
  } const change{{0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}}, sizeof(DWORD), 0};
  void* there = ::VirtualAllocEx(pi.hProcess, nullptr, sizeof change, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (there == nullptr || !::WriteProcessMemory(pi.hProcess, there, &change, sizeof change, nullptr)) return false;
  DWORD_PTR answer = 0;
  return ::SendMessageTimeoutA(search.found, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                               reinterpret_cast<LPARAM>(there), SMTO_ABORTIFHUNG, 5000, &answer) != 0 &&
         answer == TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string mode = argv[1];
  if (mode == "first-frame") {
    LARGE_INTEGER frequency, begin, now;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&begin);
    PROCESS_INFORMATION pi = start(joined(argc, argv, 2));
    Search search{pi.dwProcessId, nullptr};
    // The first tick raises the opacity above 0 and draws the first frame.
    while (search.found == nullptr && ::WaitForSingleObject(pi.hProcess, 1) == WAIT_TIMEOUT)
      ::EnumWindows(findVisibleFrame, reinterpret_cast<LPARAM>(&search));
    ::QueryPerformanceCounter(&now);
    std::printf("%.1f\n", 1000.0 * static_cast<double>(now.QuadPart - begin.QuadPart) /
                              static_cast<double>(frequency.QuadPart));
    ::TerminateProcess(pi.hProcess, 0);
    return search.found != nullptr ? 0 : 1;
  }

  const DWORD milliseconds = static_cast<DWORD>(std::atof(argv[2]) * 1000);
  std::string command = joined(argc, argv, 3);
  HWND host = nullptr;
  if (mode == "host") {
    host = ::CreateWindowExA(0, "STATIC", "preview host", WS_POPUP | WS_VISIBLE, 100, 100, 152, 112, nullptr, nullptr,
                             nullptr, nullptr);
    command += " /p " + std::to_string(reinterpret_cast<INT_PTR>(host));
  }
  PROCESS_INFORMATION pi = start(command);
  if (mode == "display-off" && !tellDisplayOff(pi)) {
    std::fprintf(stderr, "the saver did not take the display-off notice\n");
    ::TerminateProcess(pi.hProcess, 1);
    return 1;
  }
  pumpFor(milliseconds);
  if (host != nullptr) ::DestroyWindow(host);
  if (::WaitForSingleObject(pi.hProcess, 2000) == WAIT_TIMEOUT) ::TerminateProcess(pi.hProcess, 0);
  return 0;
}
