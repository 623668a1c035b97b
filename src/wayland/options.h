// flindra-wayland's command line: one option per setting of the settings
// table, -help and -version. Standard C++ only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"

enum class WaylandAction { Run, Help, Version };

struct WaylandOptions {
  WaylandAction action = WaylandAction::Run;
  Settings settings = DefaultSettings();
};

// The options, or one line for standard error ("flindra-wayland: ...", no
// newline) when error is not empty.
struct ParsedWaylandOptions {
  WaylandOptions options;
  std::string error;
};

// Reads the arguments after the program name. Each option may be spelled
// with one dash or two; a later setting overrides an earlier one.
ParsedWaylandOptions ParseWaylandOptions(const std::vector<std::string_view>& args);

// What -help prints.
std::string WaylandHelpText();
