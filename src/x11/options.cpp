#include "x11/options.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#ifndef FLINDRA_HOME_PAGE
#error "FLINDRA_HOME_PAGE comes from the build (the top CMakeLists.txt)"
#endif

namespace {

// Whole number with an optional minus sign, no blanks; none when it has no
// digits or does not fit 64 bits.
std::optional<long long> parseWholeNumber(std::string_view text) {
  bool negative = false;
  if (!text.empty() && text[0] == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 18) return std::nullopt;  // 18 digits always fit
  long long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

std::string xmlEscaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

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

std::optional<std::uint32_t> ParseWindowId(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return std::nullopt;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

std::string WindowIdError(std::string_view source, std::string_view text) {
  return std::string(source) + " must be a window id (decimal or 0x-hex), not " + Quoted(text);
}

ParsedOptions ParseOptions(const std::vector<std::string_view>& args) {
  ParsedOptions parsed;
  Options& o = parsed.options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    std::string_view name = arg;
    if (name.size() > 2 && name.substr(0, 2) == "--") name.remove_prefix(2);
    else if (name.size() > 1 && name[0] == '-') name.remove_prefix(1);
    else name = std::string_view();

    // The next argument, the option's value; none at the end.
    const auto value = [&]() -> std::optional<std::string_view> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    const auto fail = [&](const std::string& text) {
      parsed.error = "flindra: " + text;
      return parsed;
    };
    const auto missing = [&]() { return fail("-" + std::string(name) + " needs a value"); };

    // The last of -root, -window and -window-id says where to draw.
    if (name == "root") {
      o.target = DrawTarget::Root;
      o.windowId = 0;
    } else if (name == "window") {
      o.target = DrawTarget::OwnWindow;
      o.windowId = 0;
    } else if (name == "window-id") {
      const auto text = value();
      if (!text) return missing();
      const auto id = ParseWindowId(*text);
      if (!id || *id == 0) return fail(WindowIdError("-window-id", *text));
      o.target = DrawTarget::GivenWindow;
      o.windowId = *id;
    } else if (name == "delay") {
      const auto text = value();
      if (!text) return missing();
      const auto us = parseWholeNumber(*text);
      if (!us || *us < 0 || *us > kMaxDelayUs)
        return fail("-delay must be a whole number of microseconds from 0 to " + std::to_string(kMaxDelayUs) +
                    ", not " + Quoted(*text));
      o.delayUs = static_cast<long>(*us);
    } else if (name == "display") {
      const auto text = value();
      if (!text) return missing();
      o.display = std::string(*text);
    } else if (name == "fps") {
      o.fps = true;
    } else if (name == "help" || name == "h") {
      o.action = OptionsAction::Help;
      return parsed;
    } else if (name == "version") {
      o.action = OptionsAction::Version;
      return parsed;
    } else {
      const SettingInfo* setting = nullptr;
      for (const SettingInfo& s : kSettingTable)
        if (!name.empty() && OptionName(s) == name) setting = &s;
      if (setting == nullptr) return fail("unknown option " + Quoted(arg) + " (try -help)");
      const auto text = value();
      if (!text) return missing();
      const SettingRange range = OptionRange(*setting);
      const auto number = parseWholeNumber(*text);
      if (!number || *number < range.low || *number > range.high)
        return fail("-" + std::string(name) + " must be a whole number from " + std::to_string(range.low) + " to " +
                    std::to_string(range.high) + ", not " + Quoted(*text));
      o.settings.*setting->value = static_cast<std::int32_t>(*number);
    }
  }
  return parsed;
}

std::string OptionMeaning(const SettingInfo& s) {
  const SettingRange range = OptionRange(s);
  std::string low = s.lowLabel, high = s.highLabel;
  for (std::string* word : {&low, &high})
    (*word)[0] = static_cast<char>(std::tolower(static_cast<unsigned char>((*word)[0])));
  return std::string(s.title) + ": " + s.meaning + ". " + std::to_string(range.low) + " (" + low + ") to " +
         std::to_string(range.high) + " (" + high + "), default " + std::to_string(s.defaultValue);
}

std::string HelpText() {
  std::string text =
      "Usage: flindra [options]\n"
      "Six-armed crystal flakes falling through space, for XScreenSaver and other\n"
      "X11 hosts.\n"
      "\n"
      "Where it draws:\n"
      "  -window             a window of its own, 1280 x 720 (the default); Esc or q\n"
      "                      closes it\n"
      "  -root               the window in $XSCREENSAVER_WINDOW, else the root window,\n"
      "                      with a flake field on each monitor\n"
      "  -window-id ID       a window someone else made (decimal or 0x-hex)\n"
      "  -display NAME       the X display (default $DISPLAY)\n"
      "\n"
      "How it runs:\n"
      "  -delay USEC         microseconds between frames, 0 to " +
      std::to_string(kMaxDelayUs) + "\n                      (default " + std::to_string(kDefaultDelayUs) +
      ")\n"
      "  -fps                show the frame rate in the bottom-left corner\n"
      "\n"
      "How it looks:\n";
  for (const SettingInfo& s : kSettingTable) {
    char name[24];
    std::snprintf(name, sizeof name, "  -%-19s", (OptionName(s) + " N").c_str());
    text += wrapped(name, OptionMeaning(s) + ".");
  }
  text +=
      "\n"
      "  -help               this text\n"
      "  -version            the version\n"
      "\n"
      "Every option may also be written with two dashes. In a window of its own\n"
      "-bright is the window's opacity once faded in, which a compositor shows; in a\n"
      "window a host owns (-root, -window-id) the flakes are drawn that much dimmer.\n";
  return text;
}

std::string ConfigXml() {
  std::vector<std::string> sliders{
      "<number id=\"delay\" type=\"slider\" arg=\"-delay %\" _label=\"Frame rate\" _low-label=\"Low\" "
      "_high-label=\"High\" low=\"0\" high=\"100000\" default=\"" +
      std::to_string(kDefaultDelayUs) + "\" convert=\"invert\"/>"};
  std::string explained;
  for (const SettingInfo& s : kSettingTable) {
    if (!s.drawn) continue;  // nothing on the screen would change
    const SettingRange range = OptionRange(s);
    const std::string id = OptionName(s);
    sliders.push_back("<number id=\"" + id + "\" type=\"slider\" arg=\"-" + id + " %\" _label=\"" +
                      xmlEscaped(s.title) + "\" _low-label=\"" + xmlEscaped(s.lowLabel) + "\" _high-label=\"" +
                      xmlEscaped(s.highLabel) + "\" low=\"" + std::to_string(range.low) + "\" high=\"" +
                      std::to_string(range.high) + "\" default=\"" + std::to_string(s.defaultValue) + "\"/>");
    explained += xmlEscaped(std::string(s.title) + ": " + s.meaning) + ".\n\n";
  }
  // Two columns, as XScreenSaver's own settings screens have them.
  const std::size_t half = (sliders.size() + 1) / 2;
  std::string columns = "  <hgroup>\n";
  for (std::size_t from = 0; from < sliders.size(); from += half) {
    columns += "    <vgroup>\n";
    for (std::size_t i = from; i < from + half && i < sliders.size(); ++i) columns += "      " + sliders[i] + "\n";
    columns += "    </vgroup>\n";
  }
  columns += "  </hgroup>\n";
  return "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
         "<screensaver name=\"flindra\" _label=\"Flindra\" gl=\"yes\">\n"
         "  <command arg=\"-root\"/>\n" +
         columns +
         "  <boolean id=\"showfps\" _label=\"Show frame rate\" arg-set=\"-fps\"/>\n"
         "  <xscreensaver-updater />\n"
         "  <_description>\n"
         "Up to 101 six-armed crystal flakes fall and sway through 3-D space,\n"
         "drawn as points of light with OpenGL.\n"
         "\n" +
         explained +
         FLINDRA_HOME_PAGE "\n"
         "\n"
         "Written by the Flindra authors; 2026.\n"
         "  </_description>\n"
         "</screensaver>\n";
}

std::string ManPage(std::string page, const std::string& version) {
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
