#include "app/frame_pacer.h"

namespace app {

void FramePacer::SetRate(int framesPerSecond) {
  if (framesPerSecond <= 0) framesPerSecond = 60;
  period_ = std::chrono::nanoseconds(1'000'000'000 / framesPerSecond);
}

FramePacer::Clock::time_point FramePacer::NextFrame(Clock::time_point now) {
  Clock::time_point due = started_ ? previous_ + period_ : now;
  if (due < now) due = now;
  previous_ = due;
  started_ = true;
  return due;
}

}  // namespace app
