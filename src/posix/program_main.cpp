#include "posix/program_main.h"

#include <cstdio>

#include "core/fpu.h"
#include "posix/process.h"

std::vector<std::string_view> StartProgram(const char* name, int argc, char** argv) {
  MaskFloatingPointExceptions();
  NameProgram(name);
  // NOTE: execve may start a program with no arguments at all, not even its name.
  if (argc < 1) return {};
  return std::vector<std::string_view>(argv + 1, argv + argc);
}

std::optional<int> AnswerCommandLine(const ProgramOptions& options, const std::string& error,
                                     std::string (*helpText)(), const char* version) {
  if (!error.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  switch (options.action) {
    case ProgramAction::Help:
      std::fputs(helpText().c_str(), stdout);
      return 0;
    case ProgramAction::Version:
      std::printf("%s %s\n", ProgramName(), version);
      return 0;
    case ProgramAction::Run:
      break;
  }
  return std::nullopt;
}
