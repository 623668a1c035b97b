#include "core/program_options.h"

#include <cctype>
#include <cstdio>

#include "core/numbers.h"
#include "core/options.h"

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

// "Speed: how fast the flakes fall; 0 holds them still. 0 (slow) to 10
// (fast), default 3": what a setting's option does, from the table.
std::string optionMeaning(const SettingInfo& s) {
  const SettingRange range = OptionRange(s);
  std::string low = s.lowLabel, high = s.highLabel;
  for (std::string* word : {&low, &high})
    (*word)[0] = static_cast<char>(std::tolower(static_cast<unsigned char>((*word)[0])));
  return std::string(s.title) + ": " + s.meaning + ". " + std::to_string(range.low) + " (" + low + ") to " +
         std::to_string(range.high) + " (" + high + "), default " + std::to_string(s.defaultValue);
}

// The help's lines for the six settings ("  -fast N  Speed: ..."), wrapped at
// 79 columns.
std::string settingsHelp() {
  std::string text;
  for (const SettingInfo& s : kSettingTable) {
    char name[24];
    std::snprintf(name, sizeof name, "  -%-19s", (OptionName(s) + " N").c_str());
    text += wrapped(name, optionMeaning(s) + ".");
  }
  return text;
}

}  // namespace

std::string ReadProgramOptions(std::string_view program, const std::vector<std::string_view>& args,
                               ProgramOptions& options, const std::vector<OwnOption>& own,
                               const OwnOptionSetter& setOwn) {
  const auto fail = [program](const std::string& text) { return std::string(program) + ": " + text; };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const std::string_view name = OptionNameOf(arg);
    const std::string dashed = "-" + std::string(name);
    if (name == "help" || name == "h") {
      options.action = ProgramAction::Help;
      return std::string();
    }
    if (name == "version") {
      options.action = ProgramAction::Version;
      return std::string();
    }
    if (name == "fps") {
      options.fps = true;
      continue;
    }
    const OwnOption* mine = nullptr;
    for (const OwnOption& o : own)
      if (!name.empty() && o.name == name) mine = &o;
    const SettingInfo* setting = SettingForOption(name);
    if (mine == nullptr && setting == nullptr && name != "delay")
      return fail("unknown option " + Quoted(arg) + " (try -help)");
    std::string_view value;
    if (mine != nullptr && mine->valueOptional) {
      if (i + 1 < args.size() && ParseWholeNumber(args[i + 1])) value = args[++i];
    } else if (mine == nullptr || mine->takesValue) {
      if (i + 1 >= args.size()) return fail(dashed + " needs a value");
      value = args[++i];
    }
    std::string complaint;
    if (mine != nullptr) {
      complaint = setOwn ? setOwn(name, value) : std::string();
      if (!complaint.empty()) return fail(complaint);
      continue;
    }
    complaint = setting != nullptr ? SetSettingFromText(options.settings, *setting, value)
                                   : SetDelayFromText(options.delayUs, value);
    if (!complaint.empty()) return fail(dashed + " " + complaint);
  }
  return std::string();
}

std::string ProgramOptionsHelp() {
  return "How it runs:\n"
         "  -delay USEC         microseconds between frames, 0 to " +
         std::to_string(kMaxDelayUs) + "\n                      (default " + std::to_string(kDefaultDelayUs) +
         ")\n"
         "  -fps                show the frame rate in the bottom-left corner\n"
         "\n"
         "How it looks:\n" +
         settingsHelp() +
         "\n"
         "  -help               this text\n"
         "  -version            the version\n";
}

std::string ProgramManPage(std::string page, const std::string& version) {
  std::string synopsis = "[\\-delay \\fIusec\\fP] [\\-fps] ";
  std::string options = ".TP\n.BI \\-delay \" usec\"\nMicroseconds between frames, 0 to " +
                        std::to_string(kMaxDelayUs) + " (default " + std::to_string(kDefaultDelayUs) +
                        ").\n.TP\n.B \\-fps\nShow the frame rate, in frames per second, in the bottom-left corner.\n";
  for (const SettingInfo& s : kSettingTable) {
    const std::string name = OptionName(s);
    synopsis += "[\\-" + name + " \\fIn\\fP] ";
    options += ".TP\n.BI \\-" + name + " \" n\"\n" + optionMeaning(s) + ".\n";
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
