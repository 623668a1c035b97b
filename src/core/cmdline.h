// Reading the command line: splitting it into arguments, the mode letter in
// argument 1 and the preview's host window in argument 2.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Splits a command line the way the Windows C runtime does: blanks separate
// arguments, double quotes group, 2n backslashes before a quote give n and
// a quote, 2n+1 give n and a literal quote, "" inside quotes gives a quote.
// Argument 0, the program name, ends at the first blank or closing quote
// and takes backslashes literally.
std::vector<std::string> SplitCommandLine(std::string_view line);

// The mode letter of argument 1: its second character, upper-cased for a..z;
// 0 when the argument holds fewer than two characters.
char ModeLetter(std::string_view argument1);

enum class SaverMode { FullScreen, Settings, Preview };
SaverMode ModeFromLetter(char letter);

// The mode for a whole argument list (argument 0 the program): no argument
// at all is settings mode, as Explorer's Configure command starts a saver;
// otherwise argument 1's letter decides.
SaverMode ModeFromArguments(const std::vector<std::string>& args);

// Argument 2 in preview mode: leading blanks, then a signed decimal in the
// 32-bit range or hexadecimal after $, x, X, 0x or 0X fitting 32 bits (taken
// as the bit pattern), digits to the end. Gives none for anything else and
// for 0.
std::optional<std::int32_t> ParsePreviewParent(std::string_view text);
