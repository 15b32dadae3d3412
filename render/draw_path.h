// Whether frames are drawn at the fitted rectangle's own pixel size (native) or at 800 x 600 and
// scaled at the swap, decided from measured frame times. Arithmetic only: no GL, no SDL.
#pragma once

namespace render {

// Native until the frames show that they cannot keep the display's rate, then scaled for good:
// the choice only starts over for a new drawable size, so it never flickers between the two.
class DrawPathChooser {
 public:
  // Frames ignored after a start: the first ones upload textures and fill caches.
  static constexpr int kWarmUpFrames = 10;
  // Frames are judged in blocks of this many; a block with more than half over budget steps
  // down (a slow spell of a few frames does not).
  static constexpr int kBlockFrames = 30;
  // A frame is over budget when it takes longer than this share of the display's period (a
  // frame that waits for the vertical blank takes about one period, a late one two).
  static constexpr double kOverBudget = 1.2;

  // Starts over at native for a new drawable size, with the display's rate in Hz (0 or less:
  // unknown, taken as 60).
  void Start(int framesPerSecond);

  // Counts one native frame's time in seconds, from its start to the end of its swap. Returns
  // true when this frame makes the path step down.
  bool AddNativeFrame(double seconds);

  bool SteppedDown() const { return steppedDown_; }

 private:
  double budget_ = kOverBudget / 60.0;  // seconds; reset by Start
  int seen_ = 0;      // frames since the start
  int inBlock_ = 0;   // frames of the current block
  int overInBlock_ = 0;
  bool steppedDown_ = false;
};

}  // namespace render
