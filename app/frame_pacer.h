// Frames at the display's rate when vsync is asked for but the driver will not wait for the
// vertical blank (Xvfb, many virtual machines): without it an idle menu would take a whole core.
#pragma once

#include <chrono>

namespace app {

class FramePacer {
 public:
  using Clock = std::chrono::steady_clock;

  // Frames per second of the display; 0 or less (unknown) gives 60.
  void SetRate(int framesPerSecond);

  // When the next frame is due, given the time now: one period after the previous one, or now
  // when that time has passed (a late frame is not caught up with a burst). Counts the frame.
  Clock::time_point NextFrame(Clock::time_point now);

  Clock::duration Period() const { return period_; }

 private:
  Clock::duration period_ = std::chrono::nanoseconds(1'000'000'000 / 60);
  Clock::time_point previous_{};
  bool started_ = false;
};

}  // namespace app
