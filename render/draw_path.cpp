#include "render/draw_path.h"

namespace render {

void DrawPathChooser::Start(int framesPerSecond) {
  if (framesPerSecond <= 0) framesPerSecond = 60;
  *this = DrawPathChooser{};
  budget_ = kOverBudget / static_cast<double>(framesPerSecond);
}

bool DrawPathChooser::AddNativeFrame(double seconds) {
  if (steppedDown_ || ++seen_ <= kWarmUpFrames) return false;
  if (seconds > budget_) ++overInBlock_;
  if (++inBlock_ < kBlockFrames) return false;
  steppedDown_ = overInBlock_ * 2 > kBlockFrames;
  inBlock_ = 0;
  overInBlock_ = 0;
  return steppedDown_;
}

}  // namespace render
