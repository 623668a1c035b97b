#include "core/options.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "core/beat.h"
#include "core/numbers.h"

namespace {

// The text after the lead-in, broken into lines of at most 79 columns, each
// further line indented as far as the lead-in reaches.
std::string wrapped(const std::string& leadIn, const std::string& text) {
  constexpr std::size_t kWidth = 79;
  std::string out = leadIn, line = leadIn;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find(' ', from);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(from, end - from);
    if (line.size() > leadIn.size() && line.size() + 1 + word.size() > kWidth) {
      out += "\n" + std::string(leadIn.size(), ' ');
      line = std::string(leadIn.size(), ' ');
    } else if (line.size() > leadIn.size()) {
      out += ' ';
      line += ' ';
    }
    out += word;
    line += word;
    from = end + 1;
  }
  return out + "\n";
}

}  // namespace

std::string Quoted(std::string_view text) {
  constexpr std::size_t kShown = 40;
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size() && i < kShown; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  if (text.size() > kShown) out += "...";
  return out + "\"";
}

SettingRange OptionRange(const SettingInfo& setting) {
  return {std::min(setting.sliderMin, setting.defaultValue), std::max(setting.sliderMax, setting.defaultValue)};
}

std::string OptionName(const SettingInfo& setting) {
  std::string name = setting.name;
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

const SettingInfo* SettingForOption(std::string_view name) {
  for (const SettingInfo& s : kSettingTable)
    if (!name.empty() && OptionName(s) == name) return &s;
  return nullptr;
}

std::string_view OptionNameOf(std::string_view arg) {
  if (arg.size() > 2 && arg.substr(0, 2) == "--") return arg.substr(2);
  if (arg.size() > 1 && arg[0] == '-') return arg.substr(1);
  return std::string_view();
}

std::string SetSettingFromText(Settings& settings, const SettingInfo& setting, std::string_view text) {
  const SettingRange range = OptionRange(setting);
  const auto number = ParseWholeNumber(text);
  if (!number || *number < range.low || *number > range.high)
    return "must be a whole number from " + std::to_string(range.low) + " to " + std::to_string(range.high) +
           ", not " + Quoted(text);
  settings.*setting.value = static_cast<std::int32_t>(*number);
  return std::string();
}

std::string SetDelayFromText(long& delayUs, std::string_view text) {
  const auto us = ParseWholeNumber(text);
  if (!us || *us < 0 || *us > kMaxDelayUs)
    return "must be a whole number of microseconds from 0 to " + std::to_string(kMaxDelayUs) + ", not " + Quoted(text);
  delayUs = static_cast<long>(*us);
  return std::string();
}

std::string OptionMeaning(const SettingInfo& s) {
  const SettingRange range = OptionRange(s);
  std::string low = s.lowLabel, high = s.highLabel;
  for (std::string* word : {&low, &high})
    (*word)[0] = static_cast<char>(std::tolower(static_cast<unsigned char>((*word)[0])));
  return std::string(s.title) + ": " + s.meaning + ". " + std::to_string(range.low) + " (" + low + ") to " +
         std::to_string(range.high) + " (" + high + "), default " + std::to_string(s.defaultValue);
}

std::string SettingsHelp() {
  std::string text;
  for (const SettingInfo& s : kSettingTable) {
    char name[24];
    std::snprintf(name, sizeof name, "  -%-19s", (OptionName(s) + " N").c_str());
    text += wrapped(name, OptionMeaning(s) + ".");
  }
  return text;
}

std::string SettingsManPage(std::string page, const std::string& version) {
  std::string synopsis, options;
  for (const SettingInfo& s : kSettingTable) {
    const std::string name = OptionName(s);
    synopsis += "[\\-" + name + " \\fIn\\fP] ";
    options += ".TP\n.BI \\-" + name + " \" n\"\n" + OptionMeaning(s) + ".\n";
  }
  synopsis.pop_back();
  options.pop_back();
  const auto replace = [&page](const std::string& key, const std::string& value) {
    for (auto at = page.find(key); at != std::string::npos; at = page.find(key, at + value.size()))
      page.replace(at, key.size(), value);
  };
  replace("@VERSION@", version);
  replace("@SYNOPSIS@", synopsis);
  replace("@OPTIONS@", options);
  return page;
}
