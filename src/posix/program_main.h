// What main does first in every Linux program: the floating point set up,
// the program named, and the command line answered when it asks for no run.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/program_options.h"

// Masks floating-point exceptions (core/fpu), names the program for the
// lines it writes (Fail, -version) and gives the arguments after its name.
std::vector<std::string_view> StartProgram(const char* name, int argc, char** argv);

// For a command line that asks for no run, the exit code once it is
// answered: 1 after the error line on standard error, 0 after the help text
// or "NAME VERSION" on standard output. None when the program should run.
std::optional<int> AnswerCommandLine(const ProgramOptions& options, const std::string& error,
                                     std::string (*helpText)(), const char* version);
