// The buffer each saver surface asks for, by what the compositor said, and
// when a surface is due a frame.
#include <gtest/gtest.h>

#include "wayland/surface_plan.h"

namespace {

struct PlanCase {
  const char* what;
  ScaleFacts facts;
  BufferPlan plan;
};

// A layer surface over a whole 1280 x 720 logical output, as sway and KWin
// configure it; the mode is what the monitor shows in device pixels.
ScaleFacts wholeOutput(int outputScale, int modeWidth, int modeHeight, bool viewporter = true) {
  ScaleFacts f;
  f.width = f.outputWidth = 1280;
  f.height = f.outputHeight = 720;
  f.outputScale = outputScale;
  f.modeWidth = modeWidth;
  f.modeHeight = modeHeight;
  f.viewporter = viewporter;
  return f;
}

ScaleFacts with(ScaleFacts f, int fractional120, int preferred = 0) {
  f.fractionalScale120 = fractional120;
  f.preferredScale = preferred;
  return f;
}

TEST(PlanBuffer, OneDevicePixelPerBufferPixelAtEveryScale) {
  const PlanCase cases[] = {
      {"scale 1", wholeOutput(1, 1280, 720), {1280, 720, 1, false, 0, 0}},
      {"scale 2", wholeOutput(2, 2560, 1440), {2560, 1440, 2, false, 0, 0}},
      {"scale 2 without a viewporter", wholeOutput(2, 2560, 1440, false), {2560, 1440, 2, false, 0, 0}},
      // 150 %: wl_output says 2; the mode is the truth.
      {"150 % from the mode", wholeOutput(2, 1920, 1080), {1920, 1080, 1, true, 1280, 720}},
      {"125 % from the mode", wholeOutput(2, 1600, 900), {1600, 900, 1, true, 1280, 720}},
      {"150 % without a viewporter: the whole scale", wholeOutput(2, 1920, 1080, false),
       {2560, 1440, 2, false, 0, 0}},
      {"150 % from wp_fractional_scale", with(wholeOutput(2, 1920, 1080), 180), {1920, 1080, 1, true, 1280, 720}},
      {"175 %, rounded half away from zero", with(wholeOutput(2, 2240, 1260), 210),
       {2240, 1260, 1, true, 1280, 720}},
      {"125 % over 1601 x 901 pixels, told 1280 x 720: one logical pixel more, off the edge",
       with(wholeOutput(2, 1601, 901), 150), {1601, 901, 1, true, 1281, 721}},
      {"a whole fractional scale needs no viewport", with(wholeOutput(1, 1280, 720), 240),
       {2560, 1440, 2, false, 0, 0}},
      {"the preferred scale over the output's", with(wholeOutput(1, 1280, 720), 0, 3), {3840, 2160, 3, false, 0, 0}},
      {"past kMostScale: wp_fractional_scale", with(wholeOutput(1, 1280, 720), 120 * 40 + 30),
       {20480, 11520, 16, false, 0, 0}},
      {"past kMostScale: the preferred scale", with(wholeOutput(1, 1280, 720), 0, 40), {20480, 11520, 16, false, 0, 0}},
  };
  for (const PlanCase& c : cases) EXPECT_EQ(PlanBuffer(c.facts), c.plan) << c.what;
}

TEST(PlanBuffer, ASurfaceSmallerThanItsOutputTakesTheWholeScale) {
  // A window not (yet) full screen at 150 %: the mode says nothing of it.
  ScaleFacts f = wholeOutput(2, 1920, 1080);
  f.width = 1000;
  f.height = 600;
  EXPECT_EQ(PlanBuffer(f), (BufferPlan{2000, 1200, 2, false, 0, 0}));
  // With wp_fractional_scale it is exact anyway, and never 0 pixels wide.
  EXPECT_EQ(PlanBuffer(with(f, 150)), (BufferPlan{1250, 750, 1, true, 1000, 600}));
  f.width = f.height = 0;
  EXPECT_EQ(PlanBuffer(with(f, 150)), (BufferPlan{1, 1, 1, true, 0, 0}));
}

TEST(FramePacing, DrawsWhileAskedOrABeatLateThenWaitsForTheCompositor) {
  FramePacing p;
  EXPECT_TRUE(p.due(1));
  p.drawn(1);
  EXPECT_TRUE(p.due(2)) << "a compositor a beat late still gets the next frame";
  p.drawn(2);
  EXPECT_FALSE(p.due(3)) << "the oldest unanswered frame is two beats old: hidden";
  EXPECT_FALSE(p.due(40));
  p.answered();
  EXPECT_TRUE(p.due(41));
  p.drawn(41);
  EXPECT_TRUE(p.due(42)) << "waiting counts from the frame after the answer";
}

}  // namespace
