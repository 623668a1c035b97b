#include "web/page_options.h"

#include <cstdio>

#include "core/numbers.h"
#include "core/options.h"

namespace {

// '+' as a blank and %XX as its byte; a '%' without two hex digits stays.
std::string decoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 && HexDigitValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Digits only, no sign, at most max.
std::optional<std::uint64_t> wholeNumber(std::string_view text, std::uint64_t max) {
  if (text.empty() || text[0] == '-') return std::nullopt;
  const auto value = ParseWholeNumber(text);
  if (!value || static_cast<std::uint64_t>(*value) > max) return std::nullopt;
  return static_cast<std::uint64_t>(*value);
}

// A JSON string: quotes, backslashes and control bytes escaped.
std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string knownNames() {
  std::string names;
  for (const SettingInfo& s : kSettingTable) names += OptionName(s) + ", ";
  return names + "seed, frames";
}

}  // namespace

std::string SetPageSetting(Settings& settings, std::string_view name, std::string_view value) {
  const SettingInfo* setting = SettingForOption(name);
  if (setting == nullptr) return "unknown setting " + Quoted(name) + " (known: " + knownNames() + ")";
  const std::string complaint = SetSettingFromText(settings, *setting, value);
  return complaint.empty() ? complaint : std::string(name) + " " + complaint;
}

ParsedPageOptions ParsePageQuery(std::string_view query) {
  ParsedPageOptions parsed;
  if (!query.empty() && query[0] == '?') query.remove_prefix(1);
  PageOptions& o = parsed.options;
  while (!query.empty()) {
    const std::size_t end = query.find('&');
    const std::string_view pair = query.substr(0, end);
    query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
    if (pair.empty()) continue;
    const std::size_t equals = pair.find('=');
    const std::string name = decoded(pair.substr(0, equals));
    if (equals == std::string_view::npos) {
      parsed.error = Quoted(name) + " needs a value (" + name + "=...)";
    } else {
      const std::string value = decoded(pair.substr(equals + 1));
      if (name == "seed") {
        const auto seed = wholeNumber(value, 0xFFFFFFFFu);
        if (seed) o.seed = static_cast<std::uint32_t>(*seed);
        else parsed.error = "seed must be a whole number from 0 to 4294967295, not " + Quoted(value);
      } else if (name == "frames") {
        const auto frames = wholeNumber(value, kMaxFixedFrames);
        if (frames && *frames > 0) o.frames = static_cast<int>(*frames);
        else
          parsed.error = "frames must be a whole number from 1 to " + std::to_string(kMaxFixedFrames) + ", not " +
                         Quoted(value);
      } else {
        parsed.error = SetPageSetting(o.settings, name, value);
      }
    }
    if (!parsed.error.empty()) {
      o = PageOptions();
      return parsed;
    }
  }
  return parsed;
}

std::string PageQuery(const Settings& settings) {
  std::string query;
  for (const SettingInfo& s : kSettingTable) {
    if (settings.*s.value == s.defaultValue) continue;
    query += (query.empty() ? "" : "&") + OptionName(s) + "=" + std::to_string(settings.*s.value);
  }
  return query;
}

std::string SettingsJson(const Settings& settings) {
  std::string json = "[";
  for (const SettingInfo& s : kSettingTable) {
    // A slider that changes nothing on screen has no place on the panel; the
    // address still takes its value.
    if (!s.drawn) continue;
    const SettingRange range = OptionRange(s);
    if (json.size() > 1) json += ",";
    json += "{\"name\":" + jsonString(OptionName(s)) + ",\"label\":" + jsonString(s.title) +
            ",\"meaning\":" + jsonString(s.meaning) + ",\"lowLabel\":" + jsonString(s.lowLabel) +
            ",\"highLabel\":" + jsonString(s.highLabel) + ",\"low\":" + std::to_string(range.low) +
            ",\"high\":" + std::to_string(range.high) + ",\"value\":" + std::to_string(settings.*s.value) + "}";
  }
  return json + "]";
}
