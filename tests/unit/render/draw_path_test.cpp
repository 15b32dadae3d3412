#include "render/draw_path.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using render::DrawPath;

struct FrameRun {
  const char* what;
  int rate;
  struct Frames {
    int count;
    double nativeMs, scaledMs;  // a frame's time on either path
  };
  std::vector<Frames> frames;
  std::vector<int> switches;  // the frames (from 1) after which the path changes
  DrawPath last;
};

TEST(DrawPathChooserTest, StepsDownOnlyToAFasterPathAndSettles) {
  constexpr auto native = DrawPath::native, scaled = DrawPath::scaled;
  const std::vector<FrameRun> runs = {
      {"fast frames", 60, {{200, 5, 5}}, {}, native},
      {"just within 1.2 periods", 60, {{200, 19.9, 5}}, {}, native},
      {"slow warm-up only", 60, {{10, 100, 5}, {200, 5, 5}}, {}, native},
      {"a slow spell of 14 in a block", 60, {{10, 5, 5}, {14, 40, 5}, {176, 5, 5}}, {}, native},
      {"slow native, fast scaled", 60, {{200, 40, 10}}, {40}, scaled},
      {"15 of a block slow: tried, no faster than native's fast frames", 60,
       {{10, 5, 5}, {15, 40, 5}, {175, 5, 5}}, {40, 73}, native},
      {"slow later on", 60, {{100, 5, 5}, {100, 40, 10}}, {130}, scaled},
      {"scaled no faster: back to native for good", 60, {{300, 40, 37}}, {40, 73}, native},
      {"a 144 Hz display", 144, {{200, 10, 5}}, {40}, scaled},
      {"an unknown rate counts as 60", 0, {{200, 10, 5}}, {}, native},
  };
  for (const FrameRun& run : runs) {
    render::DrawPathChooser chooser;
    chooser.Start(run.rate);
    std::vector<int> switches;
    int frame = 0;
    for (const FrameRun::Frames& frames : run.frames)
      for (int i = 0; i < frames.count; ++i) {
        const DrawPath before = chooser.Path();
        const double ms = before == native ? frames.nativeMs : frames.scaledMs;
        ++frame;
        if (chooser.AddFrame(ms / 1000.0) != before) switches.push_back(frame);
      }
    EXPECT_EQ(switches, run.switches) << run.what;
    EXPECT_EQ(chooser.Path(), run.last) << run.what;
  }
}

TEST(DrawPathChooserTest, ANewSizeStartsOverAtNative) {
  render::DrawPathChooser chooser;
  chooser.Start(60);
  for (int i = 0; i < 80; ++i) chooser.AddFrame(chooser.Path() == DrawPath::native ? 0.05 : 0.01);
  ASSERT_TRUE(chooser.Settled() && chooser.Path() == DrawPath::scaled);
  chooser.Start(60);
  EXPECT_TRUE(!chooser.Settled() && chooser.Path() == DrawPath::native);
}

}  // namespace
