// The X11 program's command line: where to draw, how often, and the
// settings' options from the core. Standard C++ only, so it fuzzes alone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/beat.h"
#include "core/options.h"
#include "core/settings.h"

enum class DrawTarget {
  OwnWindow,    // -window: a window of its own (the default)
  Root,         // -root: $XSCREENSAVER_WINDOW when set, else the root window
  GivenWindow,  // -window-id ID: a window someone else made
};

enum class OptionsAction { Run, Help, Version };


struct Options {
  OptionsAction action = OptionsAction::Run;
  DrawTarget target = DrawTarget::OwnWindow;
  std::uint32_t windowId = 0;  // the X window id of GivenWindow
  long delayUs = kDefaultDelayUs;
  bool fps = false;      // the frame rate drawn in a corner
  std::string display;  // -display NAME; empty: $DISPLAY
  Settings settings = DefaultSettings();
};

// A parse: the options, or one line for standard error ("flindra: ...",
// no newline) when error is not empty.
struct ParsedOptions {
  Options options;
  std::string error;
};

// Reads the arguments after the program name. Each option may be spelled
// with one dash or two; a later option overrides an earlier one.
ParsedOptions ParseOptions(const std::vector<std::string_view>& args);

// A window id: decimal or 0x-hexadecimal digits, nothing else, fitting 32
// bits. None for anything else.
std::optional<std::uint32_t> ParseWindowId(std::string_view text);

// The complaint about a window id that ParseWindowId refuses, naming where it
// came from (an option or a variable), the text quoted on one line.
std::string WindowIdError(std::string_view source, std::string_view text);

// What -help prints, built from the settings table.
std::string HelpText();

// The XScreenSaver config file (flindra.xml), built from the settings table.
std::string ConfigXml();
