// ~/.xscreensaver's programs list as the daemon reads it, and flindra put
// into it or taken out of it: only the list changes, and only once.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "x11/program_list.h"

namespace {

// What the editor puts after the last entry.
const std::string kAdded = "\\n\\\n\t\t\t\tGL: flindra --root";
const std::string kDefaults = "programs:\t\\\n\t\tmaze --root \\n\\\n- GL:\t\tpipes --root \\n\n";
const std::string kDefaultsAdded = "programs:\t\\\n\t\tmaze --root \\n\\\n- GL:\t\tpipes --root" + kAdded + " \\n\n";

struct Case {
  const char* what;
  std::string before;
  std::string after;  // the same as before when flindra is listed already
  bool listed;
};

TEST(ProgramList, AddsFlindraOnceAndRemovingItGivesTheFileBack) {
  const Case cases[] = {
      {"no file: the system's list and flindra", "", kDefaultsAdded, false},
      {"no list: the system's at the end", "timeout:\t0:10:00\nmode:\trandom",
       "timeout:\t0:10:00\nmode:\trandom\n" + kDefaultsAdded, false},
      {"a list ending in a separator", "lock:\tFalse\nprograms:\t\\\n  qix --root \\n\\\n  xjack --root \\n  \n\nfade:\tTrue\n",
       "lock:\tFalse\nprograms:\t\\\n  qix --root \\n\\\n  xjack --root" + kAdded + " \\n  \n\nfade:\tTrue\n", false},
      {"a last entry without a separator", "programs: qix --root \\n\\\n xjack --root",
       "programs: qix --root \\n\\\n xjack --root" + kAdded, false},
      {"a list ending in a continued blank line", "programs:\t\\\n  qix --root \\n\\\n\nfade:\tTrue\n",
       "programs:\t\\\n  qix --root" + kAdded + " \\n\\\n\nfade:\tTrue\n", false},
      {"the list last, its last line continued", "mode:\tone\nprograms:\t\\\n  qix --root \\n\\\n  xjack --root \\n\\\n",
       "mode:\tone\nprograms:\t\\\n  qix --root \\n\\\n  xjack --root" + kAdded + " \\n\\\n", false},
      {"the same without the final newline", "programs: qix --root \\n\\", "programs: qix --root" + kAdded + " \\n\\",
       false},
      {"an empty list", "programs:\n", "programs:\t\\\n\t\t\t\tGL: flindra --root\n", false},
      {"the name in capitals", "PROGRAMS: qix --root\n", "PROGRAMS: qix --root" + kAdded + "\n", false},
      {"\"*programs:\" is not read: the system's list after it", "*programs: qix --root\n",
       "*programs: qix --root\n" + kDefaultsAdded, false},
      {"nor a blank before the colon", "programs : qix --root\n", "programs : qix --root\n" + kDefaultsAdded, false},
      {"a comment continued over the list", "! old list \\\nprograms: qix --root\n",
       "! old list \\\nprograms: qix --root\n" + kDefaultsAdded, false},
      {"no list, the last line continued at the end", "fade: True \\\n", "fade: True \\\n\n" + kDefaultsAdded, false},
      {"two lists: the last counts", "programs: GL: flindra --root\nprograms: qix --root\n",
       "programs: GL: flindra --root\nprograms: qix --root" + kAdded + "\n", false},
      {"names that only look alike, a comment",
       "! programs: flindra --root\nprograms: notflindra --root \\n\\\n \"Flindra\" flindra-old --root \\n\n",
       "! programs: flindra --root\nprograms: notflindra --root \\n\\\n \"Flindra\" flindra-old --root" + kAdded +
           " \\n\n",
       false},
      {"a name before the visual runs \"GL:\"", "programs: \"Flindra\" GL: flindra --root\n",
       "programs: \"Flindra\" GL: flindra --root" + kAdded + "\n", false},
      {"listed", "programs:\t\\\n  qix --root \\n\\\n  GL: flindra --root \\n\\\n  xjack --root \\n\n", "", true},
      {"listed by path, switched off, with a name",
       "programs: -  GL: \"Snow\" /usr/libexec/xscreensaver/flindra -root -fast 9 \\n\n", "", true},
  };
  for (const Case& c : cases) {
    const ProgramListEdit edit = AddFlindraToPrograms(c.before, kDefaults);
    EXPECT_EQ(edit.listed, c.listed) << c.what;
    EXPECT_EQ(edit.changed, !c.listed) << c.what;
    EXPECT_EQ(edit.text, c.listed ? c.before : c.after) << c.what;
    // Once is enough: the result is left as it is.
    EXPECT_TRUE(AddFlindraToPrograms(edit.text, kDefaults).listed) << c.what;
    // A file that had a list of its own comes back byte for byte.
    if (!c.listed && ReadProgramList(c.before).found) {
      EXPECT_EQ(RemoveFlindraFromPrograms(edit.text).text, c.before) << c.what;
    }
  }
}

TEST(ProgramList, RemovesEveryFlindraEntryAndNothingElse) {
  const Case cases[] = {
      {"in the middle", "programs: qix \\n\\\n  GL: flindra --root \\n\\\n  xjack \\n\n",
       "programs: qix \\n\\\n  xjack \\n\n", true},
      {"first", "programs: GL: flindra --root \\n\\\n  qix \\n\n", "programs: \\n\\\n  qix \\n\n", true},
      {"twice, once switched off", "programs: qix \\n - flindra -root \\n flindra\nfade: True\n",
       "programs: qix\nfade: True\n", true},
      {"a command ending in a backslash before it: the separator stays",
       "programs: a\\\\ \\n GL: flindra --root\nfade: True\n", "programs: a\\\\ \\n \nfade: True\n", true},
      {"not listed", "programs: qix \\n\n", "programs: qix \\n\n", false},
      {"no list", "fade: True\n", "fade: True\n", false},
  };
  for (const Case& c : cases) {
    const ProgramListEdit edit = RemoveFlindraFromPrograms(c.before);
    EXPECT_EQ(edit.listed, c.listed) << c.what;
    EXPECT_EQ(edit.text, c.after) << c.what;
  }
}

// The entries of a file as the real daemon (6.06) ran them under -select.
TEST(ProgramList, ReadsTheEntriesAsTheDaemonDoes) {
  const std::string file =
      "programs: old \\n\n"
      "*programs: star\n"
      "! note \\\n"
      "programs: commented\n"
      "Programs: \"Name\" GL: a \\n GL: \"Nm\" b \\n\\\n"
      "  -\tc --root\\n\\n \\n\\r\\n  d\\\\ \\\n";
  struct Seen {
    bool enabled;
    const char* visual;
    const char* name;
    const char* command;
  };
  const Seen seen[] = {{true, "", "Name", "GL: a"}, {true, "GL", "Nm", "b"}, {false, "", "", "c --root"},
                       {true, "", "", ""},          {true, "", "", "d\\"}};
  const ProgramList list = ReadProgramList(file);
  ASSERT_TRUE(list.found);
  ASSERT_EQ(list.entries.size(), std::size(seen));
  for (std::size_t i = 0; i < std::size(seen); ++i) {
    const ProgramEntry& e = list.entries[i];
    EXPECT_EQ(e.enabled, seen[i].enabled) << i;
    EXPECT_EQ(e.visual, seen[i].visual) << i;
    EXPECT_EQ(e.name, seen[i].name) << i;
    EXPECT_EQ(e.command, seen[i].command) << i;
  }
  EXPECT_FALSE(ReadProgramList("*programs: a\nprograms : b\n").found);
}

TEST(ProgramList, TheSystemsListIsTakenWholeAndRenamed) {
  const std::string appDefaults = "*timeout: 0:10:00\n*programs:\t\\\n\t\tmaze --root \\n\\\n- GL:\t\tpipes --root \\n\n"
                                  "*fade: True\n";
  EXPECT_EQ(ProgramsResource(appDefaults), kDefaults);
  EXPECT_EQ(ProgramsResource("*timeout: 0:10:00\n"), "");
}

}  // namespace
