// The Linux programs' settings file (flindra-wayland reads
// $XDG_CONFIG_HOME/flindra/settings): one "name = value" a line, with the
// settings' option names and ranges ("fast = 5") and "idle = SECONDS"; "#"
// starts a comment, blank lines and spaces around the parts pass. A bad
// line is told with the file's name and the line's number, and only that
// line is left out. SetInSettingsFile changes one value in the text and
// keeps every other byte; writing the file is the platform's.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"

constexpr long kDefaultIdleSeconds = 300;
constexpr long kMaxIdleSeconds = 24 * 60 * 60;

struct SettingsFile {
  Settings settings = DefaultSettings();  // the defaults with the file's values over them
  std::optional<long> idleSeconds;        // 1 to kMaxIdleSeconds
  std::vector<std::string> complaints;    // one a bad line: 'PATH:3: unknown setting "fats"'
};

// Reads the file's text; path names it in the complaints.
SettingsFile ReadSettingsFile(std::string_view text, std::string_view path);

// "SECONDS" for idle: a whole number from 1 to kMaxIdleSeconds. Returns ""
// when it took, else what is wrong, to follow the name.
std::string SetIdleFromText(std::optional<long>& idleSeconds, std::string_view text);

// The file's text with name set to value: every line that names it (its
// value good or bad) gets value in place of its own, keeping the spaces and
// the comment around it; when no line does, "name = value" becomes the last
// line. Comments, unknown and malformed lines stay byte for byte. name is an
// option name or "idle"; value holds no "#" and no line break.
std::string SetInSettingsFile(std::string_view text, std::string_view name, std::string_view value);
