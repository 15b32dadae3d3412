// Whether frames are drawn at the fitted rectangle's own pixel size (native) or at 800 x 600 and
// scaled at the swap, decided from measured frame times. Arithmetic only: no GL, no SDL.
#pragma once

#include <vector>

namespace render {

enum class DrawPath { native, scaled };

// Native until a block of frames shows that it cannot keep the display's rate; then one block is
// tried on the scaled path, which is kept only when it is clearly faster. Either way the path is
// then settled until Start (a new drawable size): at most one step down and one back, never a
// flicker between the two.
class DrawPathChooser {
 public:
  // Frames ignored after a start or a switch: the first ones upload textures and fill caches.
  static constexpr int kWarmUpFrames = 10;
  static constexpr int kTrialWarmUpFrames = 3;
  // Frames are judged in blocks of this many, by their median: native is too slow when half a
  // block or more is over budget (a slow spell of a few frames is not).
  static constexpr int kBlockFrames = 30;
  // A frame is over budget when it takes longer than this share of the display's period (a
  // frame that waits for the vertical blank takes about one period, a late one two).
  static constexpr double kOverBudget = 1.2;
  // The scaled path is kept when its frames' lower quartile is below this share of native's.
  static constexpr double kClearlyFaster = 0.9;

  // Starts over at native for a new drawable size, with the display's rate in Hz (0 or less:
  // unknown, taken as 60).
  void Start(int framesPerSecond);

  // Counts one frame's time in seconds, from its start to the end of its swap, drawn on Path().
  // Returns the path for the next frames.
  DrawPath AddFrame(double seconds);

  DrawPath Path() const { return path_; }
  bool Settled() const { return settled_; }

 private:
  double budget_ = kOverBudget / 60.0;  // seconds
  // Reset by Start.
  DrawPath path_ = DrawPath::native;
  bool settled_ = false;
  int skip_ = kWarmUpFrames;   // frames still ignored
  std::vector<double> block_;  // the frame times of the block being measured
  double nativeQuartile_ = 0.0;  // of the block that found native too slow
};

}  // namespace render
