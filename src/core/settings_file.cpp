#include "core/settings_file.h"

#include <algorithm>

#include "core/numbers.h"
#include "core/options.h"

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// What is wrong with one line ("" when it took), setting what it names.
std::string readLine(SettingsFile& file, std::string_view line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string_view::npos) return "expected name = value, not " + Quoted(line);
  const std::string_view name = trimmed(line.substr(0, equals)), value = trimmed(line.substr(equals + 1));
  if (name == "idle") {
    const std::string complaint = SetIdleFromText(file.idleSeconds, value);
    return complaint.empty() ? "" : "idle " + complaint;
  }
  const SettingInfo* setting = SettingForOption(name);
  if (setting == nullptr) return "unknown setting " + Quoted(name);
  const std::string complaint = SetSettingFromText(file.settings, *setting, value);
  return complaint.empty() ? "" : std::string(name) + " " + complaint;
}

// A line's name and the place of its value, as the reader splits it: the
// part before a "#", at its first "=".
struct LineParts {
  std::string_view name;
  std::size_t valueStart = 0;  // value's first byte in the line
  std::size_t valueEnd = 0;    // one past its last
};
std::optional<LineParts> partsOf(std::string_view line) {
  const std::size_t contentEnd = std::min(line.find('#'), line.size());
  const std::size_t equals = line.substr(0, contentEnd).find('=');
  if (equals == std::string_view::npos) return std::nullopt;
  LineParts parts{trimmed(line.substr(0, equals)), equals + 1, contentEnd};
  while (parts.valueStart < parts.valueEnd && blank(line[parts.valueStart])) ++parts.valueStart;
  while (parts.valueEnd > parts.valueStart && blank(line[parts.valueEnd - 1])) --parts.valueEnd;
  return parts;
}

}  // namespace

std::string SetInSettingsFile(std::string_view text, std::string_view name, std::string_view value) {
  std::string out;
  out.reserve(text.size() + name.size() + value.size() + 5);
  bool named = false;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    const auto parts = partsOf(line);
    if (parts && parts->name == name) {
      out.append(line.substr(0, parts->valueStart)).append(value).append(line.substr(parts->valueEnd));
      named = true;
    } else {
      out.append(line);
    }
    if (end == std::string_view::npos) break;
    out += '\n';
    text.remove_prefix(end + 1);
  }
  if (named) return out;
  if (!out.empty() && out.back() != '\n') out += '\n';
  return out.append(name).append(" = ").append(value).append("\n");
}

std::string SetIdleFromText(std::optional<long>& idleSeconds, std::string_view text) {
  const auto seconds = ParseWholeNumber(text);
  if (!seconds || *seconds < 1 || *seconds > kMaxIdleSeconds)
    return "must be a whole number of seconds from 1 to " + std::to_string(kMaxIdleSeconds) + ", not " + Quoted(text);
  idleSeconds = static_cast<long>(*seconds);
  return "";
}

SettingsFile ReadSettingsFile(std::string_view text, std::string_view path) {
  SettingsFile file;
  for (int number = 1; !text.empty(); ++number) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    line = trimmed(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    const std::string complaint = readLine(file, line);
    if (!complaint.empty()) file.complaints.push_back(std::string(path) + ":" + std::to_string(number) + ": " + complaint);
  }
  return file;
}
