#include "x11/options.h"

#include "core/numbers.h"
#include "core/options.h"

#ifndef FLINDRA_HOME_PAGE
#error "FLINDRA_HOME_PAGE comes from the build (the top CMakeLists.txt)"
#endif

namespace {

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

}  // namespace

std::optional<std::uint32_t> ParseWindowId(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return ParseHex32(text.substr(2));
  if (!text.empty() && text[0] == '-') return std::nullopt;
  const auto value = ParseWholeNumber(text);
  if (!value || *value > 0xFFFFFFFF) return std::nullopt;
  return static_cast<std::uint32_t>(*value);
}

std::string WindowIdError(std::string_view source, std::string_view text) {
  return std::string(source) + " must be a window id (decimal or 0x-hex), not " + Quoted(text);
}

ParsedOptions ParseOptions(const std::vector<std::string_view>& args) {
  static const std::vector<OwnOption> kOwn{{"root", false}, {"window", false}, {"window-id", true}, {"display", true}};
  ParsedOptions parsed;
  Options& o = parsed.options;
  // The last of -root, -window and -window-id says where to draw.
  const auto set = [&o](std::string_view name, std::string_view value) -> std::string {
    if (name == "display") {
      o.display = std::string(value);
      return std::string();
    }
    DrawTarget target = name == "root" ? DrawTarget::Root : DrawTarget::OwnWindow;
    std::uint32_t id = 0;
    if (name == "window-id") {
      const auto given = ParseWindowId(value);
      if (!given || *given == 0) return WindowIdError("-window-id", value);
      target = DrawTarget::GivenWindow;
      id = *given;
    }
    o.target = target;
    o.windowId = id;
    return std::string();
  };
  parsed.error = ReadProgramOptions("flindra", args, o, kOwn, set);
  return parsed;
}

std::string HelpText() {
  return "Usage: flindra [options]\n"
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
         "\n" +
         ProgramOptionsHelp() +
         "\n"
         "Every option may also be written with two dashes. In a window of its own\n"
         "-bright is the window's opacity once faded in, which a compositor shows; in a\n"
         "window a host owns (-root, -window-id) the flakes are drawn that much dimmer.\n";
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
