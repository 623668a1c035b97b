#include "wayland/options.h"

#include "core/options.h"

ParsedWaylandOptions ParseWaylandOptions(const std::vector<std::string_view>& args) {
  ParsedWaylandOptions parsed;
  const auto fail = [&parsed](const std::string& text) {
    parsed.error = "flindra-wayland: " + text;
    return parsed;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view name = OptionNameOf(args[i]);
    if (name == "help" || name == "h") {
      parsed.options.action = WaylandAction::Help;
      return parsed;
    }
    if (name == "version") {
      parsed.options.action = WaylandAction::Version;
      return parsed;
    }
    const SettingInfo* setting = name.empty() ? nullptr : SettingForOption(name);
    if (setting == nullptr) return fail("unknown option " + Quoted(args[i]) + " (try -help)");
    if (i + 1 >= args.size()) return fail("-" + std::string(name) + " needs a value");
    const std::string complaint = SetSettingFromText(parsed.options.settings, *setting, args[++i]);
    if (!complaint.empty()) return fail("-" + std::string(name) + " " + complaint);
  }
  return parsed;
}

std::string WaylandHelpText() {
  return "Usage: flindra-wayland [options]\n"
         "Six-armed crystal flakes falling through space over every output of a\n"
         "Wayland desktop, as a screen saver: it fades in over the desktop and any\n"
         "key, click, touch or pointer move ends it. Start it from an idle daemon\n"
         "(swayidle, hypridle).\n"
         "\n"
         "How it looks:\n" +
         SettingsHelp() +
         "\n"
         "  -help               this text\n"
         "  -version            the version\n"
         "\n"
         "Every option may also be written with two dashes. -bright is the opacity the\n"
         "fade ends at: 10 hides the desktop, lower values let it show through.\n";
}
