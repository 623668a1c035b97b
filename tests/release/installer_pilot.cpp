// Goes through an installer or uninstaller as a user would, for the release
// tests, and prints what the user saw:
//   installer_pilot.exe [--hold FILE] PROGRAM [ARGUMENT...]
// It starts PROGRAM with the arguments as they are (NSIS's "_?=C:\Program
// Files\..." must reach it unquoted), prints the texts of every new page
// ("page" and one "  text" line per visible control) and clicks its Next,
// Install, Uninstall or Finish button (id 1). A message box is printed as
// "message TEXT" and answered Retry, or else its first button. --hold keeps
// FILE open, as a program using it would, until the first message box.
// Prints "exit N" and ends with PROGRAM's exit code; 99 when it stalls.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kMessageTextId = 0xFFFF;  // the text of a message box
constexpr DWORD kStallMs = 60000;  // the longest a whole run may take

struct Process {
  DWORD id;
  HWND shown;  // the process's visible dialog, if any
};

BOOL CALLBACK findDialog(HWND window, LPARAM found) {
  auto* process = reinterpret_cast<Process*>(found);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  char className[16] = "";
  ::GetClassNameA(window, className, sizeof className);
  if (owner != process->id || !::IsWindowVisible(window) || std::string(className) != "#32770") return TRUE;
  process->shown = window;
  // A message box lies above the wizard that owns it.
  return ::GetDlgItem(window, kMessageTextId) ? FALSE : TRUE;
}

std::string textOf(HWND window) {
  char text[200] = "";
  ::GetWindowTextA(window, text, sizeof text);
  std::string line = text;
  for (char& c : line)
    if (c == '\r' || c == '\n') c = ' ';
  return line;
}

BOOL CALLBACK collectTexts(HWND control, LPARAM texts) {
  const std::string text = textOf(control);
  if (::IsWindowVisible(control) && !text.empty()) *reinterpret_cast<std::string*>(texts) += "  " + text + "\n";
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  int first = 1;
  HANDLE held = INVALID_HANDLE_VALUE;
  if (argc > 3 && std::string(argv[1]) == "--hold") {
    // As a virus scanner reads a file: others may read and write it, not
    // rename or delete it.
    held = ::CreateFileA(argv[2], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (held == INVALID_HANDLE_VALUE) return 98;
    first = 3;
  }
  if (argc <= first) return 98;
  std::string line = std::string("\"") + argv[first] + "\"";
  for (int i = first + 1; i < argc; ++i) line += std::string(" ") + argv[i];

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started))
    return 98;
  ::CloseHandle(started.hThread);

  std::string shownTexts;
  HWND answered = nullptr;
  const DWORD startTick = ::GetTickCount();
  while (::WaitForSingleObject(started.hProcess, 200) == WAIT_TIMEOUT) {
    std::fflush(stdout);
    if (::GetTickCount() - startTick > kStallMs) {
      std::printf("stalled\n");
      ::TerminateProcess(started.hProcess, 99);
    }
    Process process{started.dwProcessId, nullptr};
    ::EnumWindows(findDialog, reinterpret_cast<LPARAM>(&process));
    if (!process.shown) continue;
    std::string texts;
    ::EnumChildWindows(process.shown, collectTexts, reinterpret_cast<LPARAM>(&texts));
    const HWND messageText = ::GetDlgItem(process.shown, kMessageTextId);
    if (messageText) {
      if (process.shown == answered) continue;
      answered = process.shown;
      std::printf("message %s\n", textOf(messageText).c_str());
      if (held != INVALID_HANDLE_VALUE) ::CloseHandle(held);
      held = INVALID_HANDLE_VALUE;
      HWND answer = ::GetDlgItem(process.shown, IDRETRY);
      if (!answer) answer = ::GetNextDlgTabItem(process.shown, nullptr, FALSE);
      ::SendMessageA(answer, BM_CLICK, 0, 0);
    } else if (texts != shownTexts) {
      // A new page: say what it shows, then go on once it has settled.
      std::printf("page\n%s", texts.c_str());
      shownTexts = texts;
    } else {
      const HWND next = ::GetDlgItem(process.shown, IDOK);
      if (next && ::IsWindowEnabled(next) && ::IsWindowVisible(next)) ::SendMessageA(next, BM_CLICK, 0, 0);
    }
  }
  if (held != INVALID_HANDLE_VALUE) ::CloseHandle(held);
  DWORD exitCode = 99;
  ::GetExitCodeProcess(started.hProcess, &exitCode);
  ::CloseHandle(started.hProcess);
  std::printf("exit %lu\n", exitCode);
  return static_cast<int>(exitCode);
}
