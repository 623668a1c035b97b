// Numbers in outside text (command lines, options, the page's address),
// read one way everywhere: whole strings of digits, nothing around them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// 0..15 for a hexadecimal digit of either case, -1 for any other byte.
int HexDigitValue(char c);

// An optional '-' and decimal digits, at most 18 of them after any leading
// zeros (so every such number fits 64 bits), nothing else; none for anything
// else.
std::optional<std::int64_t> ParseWholeNumber(std::string_view text);

// One or more hexadecimal digits, nothing else, fitting 32 bits.
std::optional<std::uint32_t> ParseHex32(std::string_view digits);
