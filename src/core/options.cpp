#include "core/options.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "core/beat.h"
#include "core/numbers.h"

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
