#include "render/draw_path.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct FrameRun {
  const char* what;
  int rate;
  std::vector<std::pair<int, double>> frames;  // how many frames, of how many milliseconds
  int stepsDownAt;                             // the frame (from 1) that steps down; 0: never
};

TEST(DrawPathChooserTest, StepsDownOnlyWhenMostOfABlockIsOverBudgetAndThenStaysDown) {
  const std::vector<FrameRun> runs = {
      {"fast frames", 60, {{200, 5.0}}, 0},
      {"just within 1.2 periods", 60, {{200, 19.9}}, 0},
      {"slow warm-up only", 60, {{10, 100.0}, {200, 5.0}}, 0},
      {"a slow spell of 15 in a block", 60, {{10, 5.0}, {15, 40.0}, {175, 5.0}}, 0},
      {"slow from the start", 60, {{200, 40.0}}, 40},
      {"16 of a block slow", 60, {{10, 5.0}, {16, 40.0}, {174, 5.0}}, 40},
      {"slow later on", 60, {{100, 5.0}, {100, 40.0}}, 130},
      {"fast again after the step", 60, {{40, 40.0}, {200, 1.0}}, 40},
      {"a 144 Hz display", 144, {{200, 10.0}}, 40},
      {"an unknown rate counts as 60", 0, {{200, 10.0}}, 0},
  };
  for (const FrameRun& run : runs) {
    render::DrawPathChooser chooser;
    chooser.Start(run.rate);
    int frame = 0, steppedAt = 0;
    for (const auto& [count, milliseconds] : run.frames)
      for (int i = 0; i < count; ++i)
        if (chooser.AddNativeFrame(milliseconds / 1000.0)) {
          EXPECT_EQ(steppedAt, 0) << run.what << ": stepped down twice";
          steppedAt = ++frame;
        } else {
          ++frame;
        }
    EXPECT_EQ(steppedAt, run.stepsDownAt) << run.what;
    EXPECT_EQ(chooser.SteppedDown(), run.stepsDownAt != 0) << run.what;
  }
}

TEST(DrawPathChooserTest, ANewSizeStartsOverAtNative) {
  render::DrawPathChooser chooser;
  chooser.Start(60);
  for (int i = 0; i < 40; ++i) chooser.AddNativeFrame(0.05);
  ASSERT_TRUE(chooser.SteppedDown());
  chooser.Start(60);
  EXPECT_FALSE(chooser.SteppedDown());
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(chooser.AddNativeFrame(0.005));
}

}  // namespace
