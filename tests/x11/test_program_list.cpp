// Putting flindra into ~/.xscreensaver's programs list: only the list
// changes, and only once.
#include <gtest/gtest.h>

#include <string>

#include "x11/program_list.h"

namespace {

const std::string kEntry = "\t\t\t\tGL: flindra --root\t\t\t\t    \\n";
const std::string kDefaults = "programs:\t\\\n\t\tmaze --root \\n\\\n- GL:\t\tpipes --root \\n\n";

struct Case {
  const char* what;
  std::string before;
  std::string after;  // the same as before when flindra is listed already
  bool alreadyListed;
};

TEST(ProgramList, AddsFlindraOnceAndKeepsEveryOtherLine) {
  const Case cases[] = {
      {"no file: the system's list and flindra", "",
       "programs:\t\\\n\t\tmaze --root \\n\\\n- GL:\t\tpipes --root \\n\t\\\n" + kEntry + "\n", false},
      {"no list: the system's at the end", "timeout:\t0:10:00\nmode:\trandom",
       "timeout:\t0:10:00\nmode:\trandom\n" + kDefaults.substr(0, kDefaults.size() - 1) + "\t\\\n" + kEntry + "\n",
       false},
      {"a list ending in a separator", "lock:\tFalse\nprograms:\t\\\n  qix --root \\n\\\n  xjack --root \\n  \n\nfade:\tTrue\n",
       "lock:\tFalse\nprograms:\t\\\n  qix --root \\n\\\n  xjack --root \\n\t\\\n" + kEntry + "\n\nfade:\tTrue\n",
       false},
      {"a last entry without a separator", "programs: qix --root \\n\\\n xjack --root",
       "programs: qix --root \\n\\\n xjack --root\\n\\\n" + kEntry, false},
      {"a list ending in a continued blank line", "programs:\t\\\n  qix --root \\n\\\n\nfade:\tTrue\n",
       "programs:\t\\\n  qix --root \\n\\\n" + kEntry + "\nfade:\tTrue\n", false},
      {"an empty list", "programs:\n", "programs:\t\\\n" + kEntry + "\n", false},
      {"names that only look alike, a comment",
       "! programs: flindra --root\nprograms: notflindra --root \\n\\\n \"Flindra\" flindra-old --root \\n\n",
       "! programs: flindra --root\nprograms: notflindra --root \\n\\\n \"Flindra\" flindra-old --root \\n\t\\\n" +
           kEntry + "\n",
       false},
      {"listed", "programs:\t\\\n  qix --root \\n\\\n  GL: flindra --root \\n\\\n  xjack --root \\n\n", "", true},
      {"listed by path, switched off, with a name",
       "programs: -  \"Snow\" GL: /usr/libexec/xscreensaver/flindra -root -fast 9 \\n\n", "", true},
  };
  for (const Case& c : cases) {
    const ProgramListEdit edit = AddFlindraToPrograms(c.before, kDefaults);
    EXPECT_EQ(edit.alreadyListed, c.alreadyListed) << c.what;
    EXPECT_EQ(edit.text, c.alreadyListed ? c.before : c.after) << c.what;
    // Once is enough: the result is left as it is.
    EXPECT_TRUE(AddFlindraToPrograms(edit.text, kDefaults).alreadyListed) << c.what;
  }
}

TEST(ProgramList, TheSystemsListIsTakenWholeAndRenamed) {
  const std::string appDefaults = "*timeout: 0:10:00\n*programs:\t\\\n\t\tmaze --root \\n\\\n- GL:\t\tpipes --root \\n\n"
                                  "*fade: True\n";
  EXPECT_EQ(ProgramsResource(appDefaults), kDefaults);
  EXPECT_EQ(ProgramsResource("*timeout: 0:10:00\n"), "");
}

}  // namespace
