// The one source of chance in the rules: integers 0..32767, reseeded on every return to the menu.
// The ticks take it as a parameter so that tests can script the numbers.
#pragma once

#include <cstdint>

namespace game {

inline constexpr int kRandomMax = 32767;

// A pseudo-random source of integers 0..kRandomMax. Used on the tick thread only.
class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // Restarts the sequence from seed.
  virtual void Seed(uint32_t seed) = 0;
  // The next number of the sequence, 0..kRandomMax.
  virtual int Next() = 0;
};

// The game's generator: a fixed linear congruential sequence, the same on every
// platform and library (state = state * 1103515245 + 12345; result = (state / 65536) % 32768).
// Starts as if seeded with 1.
class LcgRandom final : public RandomSource {
 public:
  explicit LcgRandom(uint32_t seed = 1) : state_(seed) {}
  void Seed(uint32_t seed) override { state_ = seed; }
  int Next() override;

 private:
  uint32_t state_;
};

// One percentage of the rules: (next mod 101) * 0.01, a value 0.00..1.00.
float Percentage(RandomSource& random);

}  // namespace game
