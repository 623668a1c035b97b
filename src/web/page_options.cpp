#include "web/page_options.h"

#include <cstdio>
#include <vector>

#include "core/numbers.h"
#include "core/options.h"

namespace {

// '+' as a blank and %XX as its byte; a '%' without two hex digits stays.
std::string decoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '+') {
      out += ' ';
    } else if (text[i] == '%' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
               HexDigitValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Digits only, no sign, at most max.
std::optional<std::int64_t> wholeNumber(std::string_view text, std::int64_t max) {
  if (text.empty() || text[0] == '-') return std::nullopt;
  const auto value = ParseWholeNumber(text);
  if (!value || *value > max) return std::nullopt;
  return value;
}

// fps alone, =1 or =0 (and the words a hand might write).
std::optional<bool> onOrOff(std::string_view text) {
  for (const char* on : {"", "1", "on", "true", "yes"})
    if (text == on) return true;
  for (const char* off : {"0", "off", "false", "no"})
    if (text == off) return false;
  return std::nullopt;
}

// Reads one pair into o; "" or the complaint for its line, the key then at its default.
std::string readPair(PageOptions& o, const std::string& name, const std::string& value) {
  if (const SettingInfo* setting = SettingForOption(name)) {
    const std::string complaint = SetSettingFromText(o.settings, *setting, value);
    if (complaint.empty()) return complaint;
    o.settings.*setting->value = setting->defaultValue;
    return name + " " + complaint + "; using the default, " + std::to_string(setting->defaultValue);
  }
  if (name == "delay") {
    o.delayUs = kDefaultDelayUs;
    const std::string complaint = SetDelayFromText(o.delayUs, value);
    if (complaint.empty()) return complaint;
    return "delay " + complaint + "; using the default, " + std::to_string(kDefaultDelayUs);
  }
  const auto fps = onOrOff(value);
  o.fps = fps.value_or(false);
  if (fps) return std::string();
  return "fps must be 1, 0 or no value, not " + Quoted(value) + "; using the default, 0";
}

// The test knobs take what they can and are otherwise quietly left alone.
void readTestKnob(PageOptions& o, const std::string& name, const std::string& value) {
  if (name == "seed") {
    if (const auto seed = wholeNumber(value, 0xFFFFFFFF)) o.seed = static_cast<std::uint32_t>(*seed);
  } else if (const auto frames = wholeNumber(value, kMaxFixedFrames); frames && *frames > 0) {
    o.frames = static_cast<int>(*frames);
  }
}

// "ignored what the page does not know: "a", "b", "c" and 4 more".
std::string ignoredNote(const std::vector<std::string>& names) {
  constexpr std::size_t kNamed = 3;
  if (names.empty()) return std::string();
  std::string note = "ignored what the page does not know:";
  for (std::size_t i = 0; i < names.size() && i < kNamed; ++i) note += (i == 0 ? " " : ", ") + Quoted(names[i]);
  if (names.size() > kNamed) note += " and " + std::to_string(names.size() - kNamed) + " more";
  return note;
}

}  // namespace

std::string JsonString(std::string_view text) {
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

std::string SetPageSetting(Settings& settings, std::string_view name, std::string_view value) {
  const SettingInfo* setting = SettingForOption(name);
  if (setting == nullptr) return "no setting " + Quoted(name);
  const std::string complaint = SetSettingFromText(settings, *setting, value);
  return complaint.empty() ? complaint : std::string(name) + " " + complaint;
}

ParsedPageOptions ParsePageQuery(std::string_view query) {
  ParsedPageOptions parsed;
  std::vector<std::string> ignored;
  if (!query.empty() && query[0] == '?') query.remove_prefix(1);
  while (!query.empty()) {
    const std::size_t end = query.find('&');
    const std::string_view pair = query.substr(0, end);
    query = end == std::string_view::npos ? std::string_view() : query.substr(end + 1);
    if (pair.empty()) continue;
    const std::size_t equals = pair.find('=');
    const std::string name = decoded(pair.substr(0, equals));
    const std::string value = equals == std::string_view::npos ? std::string() : decoded(pair.substr(equals + 1));
    if (name == "seed" || name == "frames") {
      readTestKnob(parsed.options, name, value);
    } else if (SettingForOption(name) != nullptr || name == "delay" || name == "fps") {
      std::string complaint = readPair(parsed.options, name, value);
      if (parsed.error.empty()) parsed.error = std::move(complaint);
    } else {
      ignored.push_back(name);
    }
  }
  parsed.note = ignoredNote(ignored);
  return parsed;
}

std::string PageQuery(const PageOptions& options) {
  std::string query;
  const auto add = [&query](const std::string& pair) { query += (query.empty() ? "" : "&") + pair; };
  for (const SettingInfo& s : kSettingTable) {
    const std::int32_t value = options.settings.*s.value;
    if (value != s.defaultValue) add(OptionName(s) + "=" + std::to_string(value));
  }
  if (options.delayUs != kDefaultDelayUs) add("delay=" + std::to_string(options.delayUs));
  if (options.fps) add("fps");
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
    json += "{\"name\":" + JsonString(OptionName(s)) + ",\"label\":" + JsonString(s.title) +
            ",\"meaning\":" + JsonString(s.meaning) + ",\"lowLabel\":" + JsonString(s.lowLabel) +
            ",\"highLabel\":" + JsonString(s.highLabel) + ",\"low\":" + std::to_string(range.low) +
            ",\"high\":" + std::to_string(range.high) + ",\"value\":" + std::to_string(settings.*s.value) + "}";
  }
  return json + "]";
}
