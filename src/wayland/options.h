// flindra-wayland's command line: the options every program shares
// (core/program_options), nothing of its own. Standard C++ only.
#pragma once

#include <string>

// What -help prints.
std::string WaylandHelpText();
