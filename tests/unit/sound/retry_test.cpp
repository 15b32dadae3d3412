// When a lost sound output is tried again, through the schedule's time seam.
#include <gtest/gtest.h>

#include "sound/output_return.h"

namespace {

using sound::RetrySchedule;
using sound::SoundClock;
using std::chrono::milliseconds;

TEST(RetrySchedule, SoonAfterTheLossThenEveryFewSecondsAndAtOnceWhenADeviceAppears) {
  const SoundClock::time_point lost{std::chrono::seconds(100)};
  RetrySchedule schedule;
  schedule.Lost(lost);
  EXPECT_EQ(schedule.NextTry(), lost + milliseconds(500));

  std::vector<milliseconds> gaps;
  SoundClock::time_point now = schedule.NextTry();
  for (int attempt = 0; attempt < 5; ++attempt) {
    schedule.Failed(now);
    gaps.push_back(std::chrono::duration_cast<milliseconds>(schedule.NextTry() - now));
    now = schedule.NextTry();
  }
  EXPECT_EQ(gaps, (std::vector<milliseconds>{milliseconds(1000), milliseconds(2000),
                                              milliseconds(3000), milliseconds(3000),
                                              milliseconds(3000)}));

  schedule.Failed(now);  // next at now + 3 s
  schedule.DeviceAdded(now + milliseconds(700));
  EXPECT_EQ(schedule.NextTry(), now + milliseconds(700));
  schedule.DeviceAdded(now + milliseconds(900));  // never later than it already was
  EXPECT_EQ(schedule.NextTry(), now + milliseconds(700));

  schedule.Lost(now + std::chrono::seconds(60));  // a new loss starts soon again
  EXPECT_EQ(schedule.NextTry(), now + std::chrono::seconds(60) + milliseconds(500));
}

}  // namespace
