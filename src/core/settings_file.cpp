#include "core/settings_file.h"

#include "core/numbers.h"
#include "core/options.h"

namespace {

std::string_view trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
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

}  // namespace

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
