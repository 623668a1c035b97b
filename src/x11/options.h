// The X11 program's command line: where to draw, beside the options every
// program shares (core/program_options). Standard C++ only, so it fuzzes
// alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/program_options.h"

enum class DrawTarget {
  OwnWindow,    // -window: a window of its own (the default)
  Root,         // -root: $XSCREENSAVER_WINDOW when set, else the root window
  GivenWindow,  // -window-id ID: a window someone else made
};

struct Options : ProgramOptions {
  DrawTarget target = DrawTarget::OwnWindow;
  std::uint32_t windowId = 0;  // the X window id of GivenWindow
  std::string display;         // -display NAME; empty: $DISPLAY
};

// A parse: the options, or one line for standard error ("flindra: ...",
// no newline) when error is not empty.
struct ParsedOptions {
  Options options;
  std::string error;
};

// Reads the arguments after the program name.
ParsedOptions ParseOptions(const std::vector<std::string_view>& args);

// A window id: decimal or 0x-hexadecimal digits, nothing else, fitting 32
// bits. None for anything else.
std::optional<std::uint32_t> ParseWindowId(std::string_view text);

// The complaint about a window id that ParseWindowId refuses, naming where it
// came from (an option or a variable), the text quoted on one line.
std::string WindowIdError(std::string_view source, std::string_view text);

// What -help prints.
std::string HelpText();

// The XScreenSaver config file (flindra.xml), built from the settings table.
std::string ConfigXml();
