#include <gtest/gtest.h>

#include "core/cmdline.h"

namespace {

SaverMode modeOf(const char* arg1) { return ModeFromLetter(ModeLetter(arg1)); }

TEST(ModeSwitch, OnlyCAndPAreSpecial) {
  for (const char* a : {"/s", "-S", "/a", "xs", "c", "", "/", "/x:12"})
    EXPECT_EQ(modeOf(a), SaverMode::FullScreen) << a;
  for (const char* a : {"/C", "/c", "-c:567", "xc"}) EXPECT_EQ(modeOf(a), SaverMode::Settings) << a;
  for (const char* a : {"/p", "/P", "-p:1234"}) EXPECT_EQ(modeOf(a), SaverMode::Preview) << a;
  EXPECT_EQ(ModeLetter("/c"), 'C');
  EXPECT_EQ(ModeLetter("/9"), '9');
  EXPECT_EQ(ModeLetter("c"), 0);
}

TEST(ModeSwitch, NoArgumentAtAllMeansSettingsAnEmptyOneFullScreen) {
  using V = std::vector<std::string>;
  EXPECT_EQ(ModeFromArguments(V{"flindra.scr"}), SaverMode::Settings);
  EXPECT_EQ(ModeFromArguments(V{"flindra.scr", ""}), SaverMode::FullScreen);
  EXPECT_EQ(ModeFromArguments(V{"flindra.scr", "c"}), SaverMode::FullScreen);
  EXPECT_EQ(ModeFromArguments(V{"flindra.scr", "/p", "12"}), SaverMode::Preview);
}

TEST(CommandLine, SplitsLikeTheRuntime) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLine("flindra.scr /s"), (V{"flindra.scr", "/s"}));
  EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\flindra.scr\" /p 1234"),
            (V{"C:\\Program Files\\flindra.scr", "/p", "1234"}));
  EXPECT_EQ(SplitCommandLine("a.scr  \t/c:123   "), (V{"a.scr", "/c:123"}));
  EXPECT_EQ(SplitCommandLine("a \"/p\" \" 42\""), (V{"a", "/p", " 42"}));
  EXPECT_EQ(SplitCommandLine("a \"\""), (V{"a", ""}));
  EXPECT_EQ(SplitCommandLine("a x\\\\\"y z\""), (V{"a", "x\\y z"}));
  EXPECT_EQ(SplitCommandLine("a x\\\"y"), (V{"a", "x\"y"}));
  EXPECT_EQ(SplitCommandLine("a x\\y"), (V{"a", "x\\y"}));
  EXPECT_EQ(SplitCommandLine("a \"x\"\"y\""), (V{"a", "x\"y"}));
  EXPECT_EQ(SplitCommandLine("C:\\dir\\a.scr"), (V{"C:\\dir\\a.scr"}));
  EXPECT_EQ(SplitCommandLine(""), (V{""}));
  EXPECT_EQ(SplitCommandLine("a \"unterminated"), (V{"a", "unterminated"}));
}

TEST(PreviewParent, ParsesDecimalAndHexHandles) {
  EXPECT_EQ(ParsePreviewParent("1234"), 1234);
  for (const char* t : {" 42", "+42", "$2A", "x2A", "X2a", "0x2a", "0X2A", "\t42"})
    EXPECT_EQ(ParsePreviewParent(t), 42) << t;
  EXPECT_EQ(ParsePreviewParent("-5"), -5);
  EXPECT_EQ(ParsePreviewParent("2147483647"), 2147483647);
  EXPECT_EQ(ParsePreviewParent("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParsePreviewParent("0xFFFFFFFF"), -1);
  EXPECT_EQ(ParsePreviewParent("$80000000"), INT32_MIN);
}

TEST(PreviewParent, RejectsEverythingElse) {
  for (const char* t : {"", " ", "42 ", "abc", "12ab", "0", "-0", "0x0", "+", "-", "$", "0x", "x",
                        "2147483648", "-2147483649", "99999999999999999999", "0x100000000", "$-1", "4 2",
                        "0x 1", "+-1", "1e3"})
    EXPECT_FALSE(ParsePreviewParent(t).has_value()) << '"' << t << '"';
}

}  // namespace
