// Stands in for the web browser in the tests: records how the shell started
// it (the show command and the address) in show_probe.txt next to itself.
#include <windows.h>

#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  ::GetStartupInfoA(&startup);
  const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 ? startup.wShowWindow : -1;

  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string record(path);
  record = record.substr(0, record.find_last_of("\\/") + 1) + "show_probe.txt";
  const std::string temporary = record + ".part";
  if (FILE* f = std::fopen(temporary.c_str(), "w")) {
    std::fprintf(f, "%d\n%s\n", show, commandLine);
    std::fclose(f);
    ::MoveFileExA(temporary.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  return 0;
}
