// Starts a saver process the way a host would, for the whole-process figures.
//   launcher.exe run SECONDS COMMAND...      run the command, end it after SECONDS
//   launcher.exe host SECONDS COMMAND...     make a 152 x 112 host window, run
//                                            "COMMAND /p HWND", end it after SECONDS
//   launcher.exe first-frame COMMAND...      milliseconds from start to the first
//                                            frame of a full-screen saver
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
  pumpFor(milliseconds);
  if (host != nullptr) ::DestroyWindow(host);
  if (::WaitForSingleObject(pi.hProcess, 2000) == WAIT_TIMEOUT) ::TerminateProcess(pi.hProcess, 0);
  return 0;
}
