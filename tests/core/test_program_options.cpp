// The command-line grammar both Linux programs read with: the shared options
// alone (as flindra-wayland) and with a program's own beside them (as
// flindra's -root, -window-id ...).
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "core/options.h"
#include "core/program_options.h"

namespace {

// A program with one option that takes no value, one that takes a value,
// refusing "bad", and one whose value may follow (a whole number).
struct OwnProgram {
  std::vector<std::string> set;  // "name=value" for each own option set, in order
  std::string read(const std::vector<std::string_view>& args, ProgramOptions& options) {
    static const std::vector<OwnOption> kOwn{{"flag", false}, {"name", true}, {"maybe", false, true}};
    return ReadProgramOptions("prog", args, options, kOwn, [this](std::string_view name, std::string_view value) {
      if (value == "bad") return "-" + std::string(name) + " refuses " + std::string(value);
      set.push_back(std::string(name) + "=" + std::string(value));
      return std::string();
    });
  }
};

struct Row {
  std::vector<std::string_view> args;
  std::string shared;  // the line with the shared options alone; "" when they read
  std::string own;     // the line with the own options beside them
};

TEST(ProgramOptions, OneGrammarWithAndWithoutAProgramsOwnOptions) {
  const std::string unknownFlag = "prog: unknown option \"-flag\" (try -help)";
  const Row rows[] = {
      {{}, "", ""},
      {{"-fast", "7", "--size", "4", "-delay", "0", "-fps"}, "", ""},
      {{"-size", "11"}, "prog: -size must be a whole number from 1 to 10, not \"11\"", "="},
      {{"--fast", "-1"}, "prog: -fast must be a whole number from 0 to 10, not \"-1\"", "="},
      {{"-delay", "1e3"}, "prog: -delay must be a whole number of microseconds from 0 to 10000000, not \"1e3\"", "="},
      {{"-delay", "10000001"}, "prog: -delay must be a whole number of microseconds from 0 to 10000000, not "
                               "\"10000001\"", "="},
      {{"-satiation"}, "prog: -satiation needs a value", "="},
      {{"-fast", "3", "-delay"}, "prog: -delay needs a value", "="},
      {{"-snow"}, "prog: unknown option \"-snow\" (try -help)", "="},
      {{"loose"}, "prog: unknown option \"loose\" (try -help)", "="},
      {{"-"}, "prog: unknown option \"-\" (try -help)", "="},
      {{"---fast", "3"}, "prog: unknown option \"---fast\" (try -help)", "="},
      {{"-fps", "3"}, "prog: unknown option \"3\" (try -help)", "="},
      {{"-flag"}, unknownFlag, ""},
      {{"-name"}, "prog: unknown option \"-name\" (try -help)", "prog: -name needs a value"},
      {{"--name", "bad"}, "prog: unknown option \"--name\" (try -help)", "prog: -name refuses bad"},
      {{"-name", "-fast", "-flag"}, "prog: unknown option \"-name\" (try -help)", ""},
      {{"-maybe", "120", "-fast", "3", "-maybe"}, "prog: unknown option \"-maybe\" (try -help)", ""},
      {{"-maybe", "soon"}, "prog: unknown option \"-maybe\" (try -help)", "prog: unknown option \"soon\" (try -help)"},
      // Help and version end the reading, good or bad what follows.
      {{"-h", "-snow"}, "", ""},
      {{"--help", "-size", "0"}, "", ""},
      {{"-version", "-delay"}, "", ""},
      {{"-snow", "-help"}, "prog: unknown option \"-snow\" (try -help)", "="},
  };
  for (const Row& row : rows) {
    ProgramOptions shared, own;
    OwnProgram program;
    EXPECT_EQ(ReadProgramOptions("prog", row.args, shared), row.shared) << row.args.size();
    EXPECT_EQ(program.read(row.args, own), row.own == "=" ? row.shared : row.own) << row.args.size();
  }
}

TEST(ProgramOptions, AnOptionalValueIsTakenOnlyWhenItIsANumber) {
  ProgramOptions o;
  OwnProgram program;
  ASSERT_EQ(program.read({"-maybe", "-fast", "3", "--maybe", "120", "-maybe", "-1", "-maybe"}, o), "");
  EXPECT_EQ(program.set, (std::vector<std::string>{"maybe=", "maybe=120", "maybe=-1", "maybe="}));
  EXPECT_EQ(o.settings.Speed, 3);
}

TEST(ProgramOptions, LaterOptionsWinAndTheActionEndsTheReading) {
  ProgramOptions o;
  OwnProgram program;
  ASSERT_EQ(program.read({"-fast", "7", "-name", "a", "--fast", "2", "-flag", "-delay", "50000", "-name", "-b",
                          "-bright", "1", "-fps", "-help", "-fast", "9"},
                         o),
            "");
  EXPECT_EQ(o.settings.Speed, 2);
  EXPECT_EQ(o.settings.Brightness, 1);
  EXPECT_EQ(o.settings.Size, DefaultSettings().Size);
  EXPECT_EQ(o.delayUs, 50000);
  EXPECT_TRUE(o.fps);
  EXPECT_EQ(o.action, ProgramAction::Help);
  EXPECT_EQ(program.set, (std::vector<std::string>{"name=a", "flag=", "name=-b"}));

  ProgramOptions v;
  EXPECT_EQ(ReadProgramOptions("prog", {"-size", "5", "--version", "-size", "6"}, v), "");
  EXPECT_EQ(v.action, ProgramAction::Version);
  EXPECT_EQ(v.settings.Size, 5);
  const ProgramOptions defaults;
  EXPECT_EQ(defaults.delayUs, kDefaultDelayUs);
  EXPECT_FALSE(defaults.fps);
  EXPECT_EQ(defaults.action, ProgramAction::Run);
}

// The help and the manual page name every shared option once.
TEST(ProgramOptions, HelpAndManualPageListEverySharedOption) {
  const std::string help = ProgramOptionsHelp();
  const std::string page = ProgramManPage("@VERSION@\n@SYNOPSIS@\n@OPTIONS@\n@VERSION@", "9.8.7");
  EXPECT_EQ(page.rfind("9.8.7\n", 0), 0u);
  EXPECT_EQ(page.substr(page.size() - 6), "\n9.8.7");
  EXPECT_EQ(page.find('@'), std::string::npos);
  std::vector<std::string> names{"delay", "fps", "help", "version"};
  for (const SettingInfo& s : kSettingTable) names.push_back(OptionName(s));
  for (const std::string& name : names) {
    const std::string dashed = "  -" + name + " ";
    EXPECT_NE(help.find(dashed), std::string::npos) << name;
    EXPECT_EQ(help.find(dashed), help.rfind(dashed)) << name;
    if (name == "help" || name == "version") continue;  // the templates name these
    EXPECT_NE(page.find("[\\-" + name), std::string::npos) << name;
    EXPECT_NE(page.find(".B" + std::string(name == "fps" ? " " : "I ") + "\\-" + name), std::string::npos) << name;
  }
  for (std::size_t at = 0, next; (next = help.find('\n', at)) != std::string::npos; at = next + 1)
    EXPECT_LE(next - at, 79u) << help.substr(at, next - at);
}

}  // namespace
