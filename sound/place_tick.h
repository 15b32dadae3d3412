// A board heard: the short tick that tells where the highlight stands, panned by column and
// pitched by row, a dull thud on an empty place. Pure: no audio device.
#pragma once

#include <vector>

namespace sound {

struct PlaceTick {
  float left = 0, right = 0;  // volumes 0..1 of the two sides
  float frequency = 0;        // Hz of the tone; for an empty place, of the thud's filter
  bool empty = false;         // a noise thud instead of a tone
  friend bool operator==(const PlaceTick&, const PlaceTick&) = default;
};

// The tick of the place at row (from the top) and column (from the left), 0-based, on a grid
// of rows x columns; places outside the grid are clamped to it. Any thread.
PlaceTick PlaceTickOf(int row, int column, int rows, int columns, bool empty);

// The tick as interleaved stereo samples in -1..1 at sampleRate (a few tens of ms, with a short
// attack and decay, so it starts and ends without a click); empty for a rate <= 0. Any thread.
std::vector<float> SynthesizeTick(const PlaceTick& tick, int sampleRate);

}  // namespace sound
