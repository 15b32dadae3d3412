#include "render/draw_path.h"

#include <algorithm>

namespace render {

namespace {

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

}  // namespace

void DrawPathChooser::Start(int framesPerSecond) {
  if (framesPerSecond <= 0) framesPerSecond = 60;
  *this = DrawPathChooser{};
  budget_ = kOverBudget / static_cast<double>(framesPerSecond);
}

DrawPath DrawPathChooser::AddFrame(double seconds) {
  if (settled_) return path_;
  if (skip_ > 0) {
    --skip_;
    return path_;
  }
  block_.push_back(seconds);
  if (block_.size() < static_cast<std::size_t>(kBlockFrames)) return path_;
  const double median = Median(block_);
  block_.clear();
  if (path_ == DrawPath::native) {
    // More than half the block over budget: its median is.
    if (median > budget_) {
      nativeMedian_ = median;
      path_ = DrawPath::scaled;
      skip_ = kTrialWarmUpFrames;
    }
    return path_;
  }
  if (median >= kClearlyFaster * nativeMedian_) path_ = DrawPath::native;
  settled_ = true;
  return path_;
}

}  // namespace render
