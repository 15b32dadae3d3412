#include "app/frame_pacer.h"

#include <gtest/gtest.h>

namespace app {
namespace {

using namespace std::chrono_literals;
using Clock = FramePacer::Clock;

TEST(FramePacer, OneFramePerPeriodOfTheDisplaysRate) {
  FramePacer pacer;
  EXPECT_EQ(pacer.Period(), std::chrono::nanoseconds(16'666'666));  // unknown until told: 60 Hz
  pacer.SetRate(0);
  EXPECT_EQ(pacer.Period(), std::chrono::nanoseconds(16'666'666));
  pacer.SetRate(-5);
  EXPECT_EQ(pacer.Period(), std::chrono::nanoseconds(16'666'666));
  pacer.SetRate(144);
  EXPECT_EQ(pacer.Period(), std::chrono::nanoseconds(6'944'444));
}

TEST(FramePacer, FramesAreDueOnePeriodApartAndALateOneIsNotCaughtUp) {
  FramePacer pacer;
  pacer.SetRate(50);  // 20 ms
  const Clock::time_point start = Clock::time_point{} + 1000s;
  EXPECT_EQ(pacer.NextFrame(start), start) << "the first frame at once";
  // A fast frame: the next is due a whole period after the previous one.
  EXPECT_EQ(pacer.NextFrame(start + 3ms), start + 20ms);
  EXPECT_EQ(pacer.NextFrame(start + 20ms + 5ms), start + 40ms);
  // A frame that took long: drawn at once, and the schedule starts from there, no burst after.
  EXPECT_EQ(pacer.NextFrame(start + 100ms), start + 100ms);
  EXPECT_EQ(pacer.NextFrame(start + 101ms), start + 120ms);
  // Over a second of idle frames, as many as the rate.
  int frames = 0;
  Clock::time_point now = start + 1s;
  const Clock::time_point end = now + 1s;
  pacer.NextFrame(now);
  while ((now = pacer.NextFrame(now + 1ms)) < end) ++frames;
  EXPECT_EQ(frames, 49);
}

}  // namespace
}  // namespace app
