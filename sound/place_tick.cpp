#include "sound/place_tick.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace sound {
namespace {

// The top row sounds an octave and a half above the bottom row; an empty place's thud sits
// two octaves lower still, so it never passes for a tone.
constexpr float kBottomHz = 440.0f;
constexpr float kTopHz = 1245.0f;
constexpr float kThudDivisor = 4.0f;
constexpr float kToneSeconds = 0.04f;
constexpr float kThudSeconds = 0.05f;
constexpr float kAttackSeconds = 0.004f;
constexpr float kLevel = 0.35f;

// 0 at the first place, 1 at the last; 0.5 when there is only one.
float Share(int place, int count) {
  if (count <= 1) return 0.5f;
  return static_cast<float>(std::clamp(place, 0, count - 1)) / static_cast<float>(count - 1);
}

}  // namespace

PlaceTick PlaceTickOf(int row, int column, int rows, int columns, bool empty) {
  PlaceTick tick;
  // Constant power: a tick in the middle is as loud as one at either side.
  const float angle = Share(column, columns) * std::numbers::pi_v<float> / 2.0f;
  tick.left = std::cos(angle);
  tick.right = std::sin(angle);
  // Pitch by octaves, so each row is the same step higher by ear.
  const float height = 1.0f - Share(row, rows);
  tick.frequency = kBottomHz * std::pow(kTopHz / kBottomHz, height);
  tick.empty = empty;
  if (empty) tick.frequency /= kThudDivisor;
  return tick;
}

std::vector<float> SynthesizeTick(const PlaceTick& tick, int sampleRate) {
  if (sampleRate <= 0) return {};
  const float rate = static_cast<float>(sampleRate);
  const auto frames = static_cast<std::size_t>((tick.empty ? kThudSeconds : kToneSeconds) * rate);
  const float attack = std::max(1.0f, kAttackSeconds * rate);
  std::vector<float> samples(frames * 2);
  // The thud: white noise through a one-pole low-pass at the place's frequency, from a fixed
  // seed so every thud of a place is the same (and the game's random draws are untouched).
  uint32_t seed = 0x9E3779B9u;
  const float smoothing = 1.0f - std::exp(-2.0f * std::numbers::pi_v<float> * tick.frequency / rate);
  float low = 0;
  for (std::size_t i = 0; i < frames; ++i) {
    const float t = static_cast<float>(i);
    const float envelope =
        std::min(1.0f, t / attack) * std::exp(-5.0f * t / static_cast<float>(frames));
    float value = 0;
    if (tick.empty) {
      seed = seed * 1664525u + 1013904223u;
      const float noise = static_cast<float>(seed >> 8) / static_cast<float>(1u << 24) * 2.0f - 1.0f;
      low += smoothing * (noise - low);
      value = low * 2.0f;  // the filter takes most of the noise's level away
    } else {
      value = std::sin(2.0f * std::numbers::pi_v<float> * tick.frequency * t / rate);
    }
    value = std::clamp(value * envelope * kLevel, -1.0f, 1.0f);
    samples[2 * i] = value * tick.left;
    samples[2 * i + 1] = value * tick.right;
  }
  return samples;
}

}  // namespace sound
