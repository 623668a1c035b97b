// The real flindra on a real X server with Mesa's GLX: where it draws, how it
// follows and leaves its window, and how it refuses bad input.
// NOTE: GoogleTest first: Xlib defines None and Bool as macros.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
// clang-format on
#include <signal.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support.h"
#include "core/fade.h"
#include "core/options.h"
#include "x11/options.h"

namespace {

// A connection of the test's own to the display it runs on.
class OnDisplay : public ::testing::Test {
 protected:
  void SetUp() override {
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "the x11 tests run on a display (make test-x11)";
  }
  void TearDown() override {
    if (display != nullptr) XCloseDisplay(display);
  }
  bool drawsInto(Window window, int x, int y, int width, int height, double seconds = 15) {
    return waitFor([&] { return litPixels(display, window, x, y, width, height) > 0; }, seconds);
  }
  Display* display = nullptr;
};

using GivenWindow = OnDisplay;

TEST_F(GivenWindow, DrawsFollowsAResizeAndEndsBySigterm) {
  const Window window = makeWindow(display, 320, 240);
  Flindra program({"-window-id", hexId(window), "-delay", "5000"});
  ASSERT_TRUE(drawsInto(window, 0, 0, 320, 240)) << program.stderrText();
  ASSERT_TRUE(program.running());

  // Three times as wide: a viewport left at 320 x 240 never reaches x >= 320.
  // Lit there in five reads running, so a stray first frame of a new buffer
  // does not count.
  XResizeWindow(display, window, 960, 240);
  XSync(display, False);
  int litReads = 0;
  EXPECT_TRUE(waitFor(
      [&] {
        litReads = litPixels(display, window, 320, 0, 640, 240) > 0 ? litReads + 1 : 0;
        return litReads == 5;
      },
      15))
      << program.stderrText();
  ASSERT_TRUE(program.running());

  program.signal(SIGTERM);
  EXPECT_EQ(program.exitCode(2), std::nullopt) << program.stderrText();
  EXPECT_EQ(program.signalled(), SIGTERM);
  EXPECT_EQ(program.stderrText(), "");
  XDestroyWindow(display, window);
}

TEST_F(GivenWindow, EndsWithZeroWhenTheWindowIsDestroyed) {
  const Window window = makeWindow(display, 200, 150);
  Flindra program({"--window-id", std::to_string(window)});  // decimal, two dashes
  ASSERT_TRUE(drawsInto(window, 0, 0, 200, 150)) << program.stderrText();
  XDestroyWindow(display, window);
  XSync(display, False);
  EXPECT_EQ(program.exitCode(5), 0) << program.stderrText();
}

// Once flindra has taken a host's window, the window going away ends it with
// 0, however early; a window already gone when flindra looks is an error.
TEST_F(GivenWindow, AWindowGoneAtAnyMomentOfTheStartEndsItCleanly) {
  int cleanEnds = 0;
  for (int delayMs = 0; delayMs <= 60; delayMs += 3) {
    const Window window = makeWindow(display, 200, 150);
    Flindra program({"-window-id", hexId(window)});
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    XDestroyWindow(display, window);
    XSync(display, False);
    const std::optional<int> code = program.exitCode(10);
    ASSERT_TRUE(code.has_value()) << delayMs << " ms: " << program.stderrText();
    if (*code == 0) {
      ++cleanEnds;
      EXPECT_EQ(program.stderrText(), "") << delayMs << " ms";
    } else {
      EXPECT_EQ(*code, 1);
      EXPECT_EQ(program.stderrText(), "flindra: window " + hexId(window) + " does not exist\n") << delayMs << " ms";
    }
  }
  EXPECT_GT(cleanEnds, 0);
}

// A host's window has no opacity to fade: the flakes fade in by dimming, to
// the byte the fade ends at (Brightness 10: 255, 5: 130, 1: 30 of 255), with
// nothing set on the window.
TEST_F(GivenWindow, DimsTheFlakesToTheBrightnessInsteadOfAnOpacity) {
  const Atom opacity = XInternAtom(display, "_NET_WM_WINDOW_OPACITY", False);
  const struct {
    const char* bright;
    int brightest;
    const char* delayUs;
  } rows[] = {{"10", 255, "31000"}, {"5", 130, "1000"}, {"1", 30, "1000"}};
  for (const auto& [bright, brightest, delay] : rows) {
    const Window window = makeWindow(display, 200, 150);
    Flindra program({"-window-id", hexId(window), "-bright", bright, "-fast", "0", "-delay", delay});
    ASSERT_TRUE(drawsInto(window, 0, 0, 200, 150)) << program.stderrText();
    // On the beat the fade takes 3.1 s: the first frames seen are dim.
    if (brightest == 255) {
      EXPECT_LT(brightestChannel(display, window, 200, 150), 128);
    }
    EXPECT_TRUE(waitFor([&] { return std::abs(brightestChannel(display, window, 200, 150) - brightest) <= 1; }, 15))
        << bright << ": " << brightestChannel(display, window, 200, 150);
    int count = 0;
    Atom* atoms = XListProperties(display, window, &count);
    for (int i = 0; i < count; ++i) EXPECT_NE(atoms[i], opacity);
    if (atoms != nullptr) XFree(atoms);
    program.signal(SIGINT);
    EXPECT_EQ(program.exitCode(2), std::nullopt);
    EXPECT_EQ(program.signalled(), SIGINT);
    XDestroyWindow(display, window);
  }
}


TEST_F(OnDisplay, RootDrawsIntoXscreensaverWindow) {
  const Window window = makeWindow(display, 240, 180);
  Flindra program({"-root"}, {{"XSCREENSAVER_WINDOW", hexId(window)}});
  ASSERT_TRUE(drawsInto(window, 0, 0, 240, 180)) << program.stderrText();
  program.signal(SIGTERM);
  EXPECT_EQ(program.exitCode(2), std::nullopt) << program.stderrText();
  EXPECT_EQ(program.signalled(), SIGTERM);
  XDestroyWindow(display, window);
}

// ---- A window of its own ----------------------------------------------------

class OwnWindow : public OnDisplay {
 protected:
  // The top-level window titled "Flindra" that flindra mapped.
  Window find() {
    Window found = 0;
    waitFor(
        [&] {
          Window root = 0, parent = 0, *children = nullptr;
          unsigned count = 0;
          if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return false;
          for (unsigned i = 0; i < count && found == 0; ++i) {
            char* name = nullptr;
            XWindowAttributes a{};
            if (XFetchName(display, children[i], &name) && name != nullptr) {
              if (std::string(name) == "Flindra" && XGetWindowAttributes(display, children[i], &a) &&
                  a.map_state == IsViewable)
                found = children[i];
              XFree(name);
            }
          }
          if (children != nullptr) XFree(children);
          return found != 0;
        },
        15);
    return found;
  }
  // The opacity cardinal on the window; none when it has none.
  std::optional<unsigned long> opacity(Window window) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    const Atom atom = XInternAtom(display, "_NET_WM_WINDOW_OPACITY", False);
    std::optional<unsigned long> value;
    if (XGetWindowProperty(display, window, atom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after, &data) ==
            Success &&
        data != nullptr && items == 1 && format == 32)
      value = *reinterpret_cast<unsigned long*>(data);
    if (data != nullptr) XFree(data);
    return value;
  }
  void sendKey(Window window, KeySym key) {
    XEvent event{};
    event.xkey.type = KeyPress;
    event.xkey.display = display;
    event.xkey.window = window;
    event.xkey.root = DefaultRootWindow(display);
    event.xkey.keycode = XKeysymToKeycode(display, key);
    event.xkey.same_screen = True;
    XSendEvent(display, window, True, KeyPressMask, &event);
    XFlush(display);
  }
};

TEST_F(OwnWindow, FadesToItsBrightnessAndClosesOnWmDeleteWindow) {
  Flindra program({"-window", "-bright", "4", "-delay", "1000"});
  const Window window = find();
  ASSERT_NE(window, 0u) << program.stderrText();
  XWindowAttributes a{};
  XGetWindowAttributes(display, window, &a);
  EXPECT_EQ(a.width, 1280);
  EXPECT_EQ(a.height, 720);
  EXPECT_TRUE(drawsInto(window, 0, 0, 1280, 720)) << program.stderrText();
  // 100 ticks of fade end at opacity byte 25 * 4 + 5 = 105, as a cardinal.
  EXPECT_TRUE(waitFor([&] { return opacity(window) == 105ul * 0x01010101ul; }, 15)) << *opacity(window);

  Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = protocols;
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
  EXPECT_EQ(program.exitCode(5), 0) << program.stderrText();
}

// The window's opacity at each of the first ticks is the core fade's byte
// for that tick, as on every platform: the first frame already shows tick
// 1's, not the level before the fade began.
TEST_F(OwnWindow, FadeTicksInStepWithTheCoreFade) {
  Flindra program({"-window", "-bright", "10", "-delay", "400000"});
  const Window window = find();
  ASSERT_NE(window, 0u) << program.stderrText();
  // The distinct opacities in the order they appear, a tick 400 ms apart.
  std::vector<unsigned long> seen;
  EXPECT_TRUE(waitFor(
      [&] {
        const auto now = opacity(window);
        if (now && (seen.empty() || seen.back() != *now)) seen.push_back(*now);
        return seen.size() == 3;
      },
      5));
  FadeIn fade;
  std::vector<unsigned long> expected;
  for (int tick = 1; tick <= 3; ++tick) expected.push_back(fade.tick(10) * 0x01010101ul);
  EXPECT_EQ(seen, expected);
}

// -fps writes the frame rate in the bottom-left corner, in the one colour no
// flake has, and leaves the GL state as it found it: the flakes of the
// frames after it stay grey (a colour left for the colour material turned
// them the text's yellow), in a host's window and in one of our own.
TEST_F(OwnWindow, FrameRateInTheCornerLeavesTheFlakesGrey) {
  for (const bool own : {false, true}) {
    SCOPED_TRACE(own ? "own window" : "host's window");
    const Window host = own ? 0 : makeWindow(display, 1280, 720);
    std::vector<std::string> args{"-fps", "-delay", "5000"};
    if (!own) args.insert(args.end(), {"-window-id", hexId(host)});
    Flindra program(args);
    const Window window = own ? find() : host;
    ASSERT_NE(window, 0u) << program.stderrText();
    EXPECT_TRUE(waitFor([&] { return pixelsOfColor(display, window, 0, 680, 160, 40, 0xE1BE00) > 20; }, 15))
        << program.stderrText();
    for (int read = 0; read < 20; ++read) {
      ASSERT_GT(litPixels(display, window, 0, 0, 1280, 680), 0);
      ASSERT_EQ(tintedPixels(display, window, 0, 0, 1280, 680), 0) << "read " << read;
    }
    program.signal(SIGTERM);
    EXPECT_EQ(program.exitCode(2), std::nullopt);
    EXPECT_EQ(program.signalled(), SIGTERM);
    if (!own) XDestroyWindow(display, host);
  }
}

TEST_F(OwnWindow, ClosesOnEscapeAndOnQ) {
  for (const KeySym key : {KeySym{XK_Escape}, KeySym{XK_q}}) {
    Flindra program({});
    const Window window = find();
    ASSERT_NE(window, 0u) << program.stderrText();
    sendKey(window, key);
    EXPECT_EQ(program.exitCode(5), 0) << XKeysymToString(key) << program.stderrText();
  }
}

// Also: -display names the display, and a field starts with the first sway
// step of its speed (10 / 5), as on every platform.
TEST(Display, LosingTheConnectionEndsWithZero) {
  PrivateXvfb server;
  ASSERT_TRUE(server.ready());
  Flindra program({"-window", "-delay", "1000", "-fast", "10", "-display", server.name()},
                  {{"DISPLAY", ":999"}, {"FLINDRA_TEST_SEAM", "report"}});
  ASSERT_TRUE(waitFor([&] { return program.stderrText().find("first frame") != std::string::npos; }, 15))
      << program.stderrText();
  EXPECT_NE(program.stderrText().find("first frame (sway step 2)"), std::string::npos) << program.stderrText();
  server.stop();
  EXPECT_EQ(program.exitCode(5), 0) << program.stderrText();
}

// ---- Bad input: one line on standard error, exit code 1 ---------------------

void expectRefused(const std::vector<std::string>& args, const std::string& line,
                   const std::map<std::string, std::string>& env = {}) {
  const Outcome outcome = runToEnd(args, env);
  EXPECT_EQ(outcome.code, 1) << outcome.stderrText;
  EXPECT_EQ(outcome.stderrText, line + "\n");
}

TEST(BadInput, OptionsAndValuesAreRefused) {
  expectRefused({"-snow"}, "flindra: unknown option \"-snow\" (try -help)");
  expectRefused({"-size", "11"}, "flindra: -size must be a whole number from 1 to 10, not \"11\"");
  expectRefused({"--fast", "-1"}, "flindra: -fast must be a whole number from 0 to 10, not \"-1\"");
  expectRefused({"-size", "abc"}, "flindra: -size must be a whole number from 1 to 10, not \"abc\"");
  expectRefused({"-color", "3.5"}, "flindra: -color must be a whole number from 1 to 30, not \"3.5\"");
  expectRefused({"-satiation"}, "flindra: -satiation needs a value");
  expectRefused({"-delay", "1e3"},
                "flindra: -delay must be a whole number of microseconds from 0 to 10000000, not \"1e3\"");
  expectRefused({"-window-id", "0xZZ"}, "flindra: -window-id must be a window id (decimal or 0x-hex), not \"0xZZ\"");
}

TEST_F(OnDisplay, AWindowIdThatNamesNoWindowIsRefused) {
  // An id that named a window a moment ago names none now.
  const Window window = makeWindow(display, 10, 10);
  XDestroyWindow(display, window);
  XSync(display, False);
  expectRefused({"-window-id", hexId(window)}, "flindra: window " + hexId(window) + " does not exist");
  expectRefused({"-root"}, "flindra: window " + hexId(window) + " does not exist",
                {{"XSCREENSAVER_WINDOW", hexId(window)}});
  // A window nothing can be drawn in.
  const Window inputOnly = XCreateWindow(display, DefaultRootWindow(display), 0, 0, 10, 10, 0, 0, InputOnly,
                                         CopyFromParent, 0, nullptr);
  XSync(display, False);
  expectRefused({"-window-id", hexId(inputOnly)},
                "flindra: window " + hexId(inputOnly) + " is input-only: nothing can be drawn in it");
  XDestroyWindow(display, inputOnly);
}

TEST_F(OnDisplay, AHostWindowVariableThatIsNoIdIsRefusedOnOneLine) {
  const char* kLine = "flindra: XSCREENSAVER_WINDOW must be a window id (decimal or 0x-hex), not ";
  expectRefused({"-root"}, kLine + std::string("\"0\""), {{"XSCREENSAVER_WINDOW", "0"}});
  expectRefused({"-root"}, kLine + std::string("\"0x12 \""), {{"XSCREENSAVER_WINDOW", "0x12 "}});
  // Whatever the variable holds, the message stays one line.
  expectRefused({"-root"}, kLine + std::string("\"12\\x0Aq\\x1B[2J\""), {{"XSCREENSAVER_WINDOW", "12\nq\x1b[2J"}});
}

TEST(BadInput, NoDisplayIsRefused) {
  expectRefused({}, "flindra: no display: DISPLAY is not set", {{"DISPLAY", ""}});
  expectRefused({"-root"}, "flindra: cannot open display \":999\"", {{"DISPLAY", ":999"}});
  expectRefused({"-display", ":998"}, "flindra: cannot open display \":998\"");
  expectRefused({}, "flindra: cannot open display \":9\\x0A\\x1B[2J\"", {{"DISPLAY", ":9\n\x1b[2J"}});
}

TEST(BadInput, ADisplayWithoutGlxIsRefused) {
  PrivateXvfb server({"-extension", "GLX"});
  ASSERT_TRUE(server.ready());
  expectRefused({}, "flindra: display \"" + server.name() + "\" has no GLX (OpenGL) extension",
                {{"DISPLAY", server.name()}});
}

TEST(Information, VersionIsTheProjectsAndHelpListsEverySetting) {
  Flindra version({"--version"}, {}, true);
  EXPECT_EQ(version.exitCode(10), 0);
  EXPECT_EQ(version.stderrText(), std::string("flindra ") + FLINDRA_PROJECT_VERSION + "\n");
  Flindra help({"-help"}, {}, true);
  EXPECT_EQ(help.exitCode(10), 0);
  for (const SettingInfo& s : kSettingTable)
    EXPECT_NE(help.stderrText().find("-" + OptionName(s) + " N"), std::string::npos) << s.name;
}

// ---- The config file the build writes -----------------------------------------

// The attribute's value in the element holding `marker`; empty when absent.
std::string attributeNear(const std::string& xml, const std::string& marker, const std::string& attribute) {
  const auto at = xml.find(marker);
  if (at == std::string::npos) return "";
  const auto start = xml.rfind('<', at), end = xml.find('>', at);
  const std::string element = xml.substr(start, end - start);
  const auto a = element.find(" " + attribute + "=\"");
  if (a == std::string::npos) return "";
  const auto from = a + attribute.size() + 3;
  return element.substr(from, element.find('"', from) - from);
}

// Every setting that draws has its slider, in the table's words; Alpha, which
// draws nothing, has none.
TEST(ConfigFile, OneSliderPerDrawnSettingInTheTablesWords) {
  std::ifstream in(FLINDRA_CONFIG_XML);
  std::stringstream text;
  text << in.rdbuf();
  const std::string xml = text.str();
  ASSERT_FALSE(xml.empty());
  for (const SettingInfo& s : kSettingTable) {
    const std::string marker = "arg=\"-" + OptionName(s) + " %\"";
    if (!s.drawn) {
      EXPECT_EQ(xml.find(marker), std::string::npos) << s.name;
      continue;
    }
    ASSERT_NE(xml.find(marker), std::string::npos) << s.name;
    EXPECT_EQ(attributeNear(xml, marker, "type"), "slider") << s.name;
    EXPECT_EQ(attributeNear(xml, marker, "default"), std::to_string(s.defaultValue)) << s.name;
    EXPECT_EQ(attributeNear(xml, marker, "_label"), s.title) << s.name;
    EXPECT_EQ(attributeNear(xml, marker, "_low-label"), s.lowLabel) << s.name;
    EXPECT_EQ(attributeNear(xml, marker, "_high-label"), s.highLabel) << s.name;
    const SettingRange range = OptionRange(s);
    EXPECT_EQ(attributeNear(xml, marker, "low"), std::to_string(range.low)) << s.name;
    EXPECT_EQ(attributeNear(xml, marker, "high"), std::to_string(range.high)) << s.name;
    EXPECT_LE(range.low, s.sliderMin);
    EXPECT_GE(range.high, s.sliderMax);
  }
  for (const char* part : {"arg-set=\"-fps\"", "<xscreensaver-updater />", "<hgroup>", "<vgroup>",
                           "\nWritten by ", FLINDRA_HOME_PAGE})
    EXPECT_NE(xml.find(part), std::string::npos) << part;
}

}  // namespace
