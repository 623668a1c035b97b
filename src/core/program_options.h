// The command line of the programs that take options (flindra and
// flindra-wayland), read by one grammar: each option spelled with one dash or
// two, a later one overriding an earlier, -h, -help or -version ending the
// reading, a bad option or value told in one line that names the program.
// Each program adds its own options to the shared ones.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/beat.h"
#include "core/settings.h"

enum class ProgramAction { Run, Help, Version };

// What the shared options set.
struct ProgramOptions {
  ProgramAction action = ProgramAction::Run;
  Settings settings = DefaultSettings();  // -fast N ... -alpha N
  long delayUs = kDefaultDelayUs;         // -delay: microseconds between frames, 0 to kMaxDelayUs
  bool fps = false;                       // -fps: the frame rate in the bottom-left corner
};

// One of a program's own options.
struct OwnOption {
  std::string_view name;  // without dashes: "window-id"
  bool takesValue;
  bool valueOptional = false;  // takes the next argument only when it is a whole number ("-idle [SECONDS]")
};

// Sets a program's own option from its value (empty for an option that takes
// none). Returns "" when it took, else the complaint, to follow "PROGRAM: ".
using OwnOptionSetter = std::function<std::string(std::string_view name, std::string_view value)>;

// Reads the arguments after the program's name into options. Returns "" when
// they are good, else one line for standard error, "PROGRAM: ..." without a
// newline; what was read before the bad argument stays set.
std::string ReadProgramOptions(std::string_view program, const std::vector<std::string_view>& args,
                               ProgramOptions& options, const std::vector<OwnOption>& own = {},
                               const OwnOptionSetter& setOwn = {});

// The help's lines for the shared options, from "How it runs:" to -version.
std::string ProgramOptionsHelp();

// A program's manual page: the template with @VERSION@ replaced, and
// @SYNOPSIS@ and @OPTIONS@ filled with the shared options (-delay, -fps and
// the six settings from the settings table).
std::string ProgramManPage(std::string template_, const std::string& version);
