#include "render/draw_path.h"

#include <algorithm>

namespace render {

namespace {

// The value at `share` of the way up the sorted values.
double Quantile(std::vector<double> values, double share) {
  const auto at = values.begin() + static_cast<long>(share * static_cast<double>(values.size()));
  std::nth_element(values.begin(), at, values.end());
  return *at;
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
  // The lower quartile compares the paths' own costs: other processes only add to the upper
  // part of a block.
  const double median = Quantile(block_, 0.5), quartile = Quantile(block_, 0.25);
  block_.clear();
  if (path_ == DrawPath::native) {
    if (median > budget_) {
      nativeQuartile_ = quartile;
      path_ = DrawPath::scaled;
      skip_ = kTrialWarmUpFrames;
    }
    return path_;
  }
  if (quartile >= kClearlyFaster * nativeQuartile_) path_ = DrawPath::native;
  settled_ = true;
  return path_;
}

}  // namespace render
