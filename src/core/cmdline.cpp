#include "core/cmdline.h"

#include <cstdint>

#include "core/numbers.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// A signed decimal in the 32-bit range: an optional '+' or '-', then digits.
std::optional<std::int32_t> parseDecimal(std::string_view text) {
  if (!text.empty() && text[0] == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text[0] == '-') return std::nullopt;
  }
  const auto value = ParseWholeNumber(text);
  if (!value || *value < INT32_MIN || *value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(*value);
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  std::size_t i = 0;
  const std::size_t n = line.size();

  // Program name: quotes toggle, no escapes.
  std::string program;
  bool quoted = false;
  while (i < n && (quoted || !isBlank(line[i]))) {
    if (line[i] == '"')
      quoted = !quoted;
    else
      program += line[i];
    ++i;
  }
  args.push_back(program);

  while (true) {
    while (i < n && isBlank(line[i])) ++i;
    if (i >= n) break;
    std::string arg;
    quoted = false;
    while (i < n && (quoted || !isBlank(line[i]))) {
      if (line[i] == '\\') {
        std::size_t slashes = 0;
        while (i < n && line[i] == '\\') ++slashes, ++i;
        if (i < n && line[i] == '"') {
          arg.append(slashes / 2, '\\');
          if (slashes % 2 == 1) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(slashes, '\\');
        }
      } else if (line[i] == '"') {
        if (quoted && i + 1 < n && line[i + 1] == '"') {
          arg += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg += line[i++];
      }
    }
    args.push_back(arg);
  }
  return args;
}

char ModeLetter(std::string_view argument1) {
  if (argument1.size() < 2) return 0;
  const char c = argument1[1];
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

SaverMode ModeFromLetter(char letter) {
  if (letter == 'C') return SaverMode::Settings;
  if (letter == 'P') return SaverMode::Preview;
  return SaverMode::FullScreen;
}

SaverMode ModeFromArguments(const std::vector<std::string>& args) {
  if (args.size() < 2) return SaverMode::Settings;
  return ModeFromLetter(ModeLetter(args[1]));
}

std::optional<std::int32_t> ParsePreviewParent(std::string_view text) {
  while (!text.empty() && isBlank(text[0])) text.remove_prefix(1);

  std::optional<std::int32_t> value;
  std::string_view hex;
  if (!text.empty() && (text[0] == '$' || text[0] == 'x' || text[0] == 'X'))
    hex = text.substr(1);
  else if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    hex = text.substr(2);

  if (hex.data() != nullptr) {
    if (const auto bits = ParseHex32(hex)) value = static_cast<std::int32_t>(*bits);
  } else {
    value = parseDecimal(text);
  }
  if (value && *value == 0) return std::nullopt;
  return value;
}
