#include "game/random.h"

namespace game {

int LcgRandom::Next() {
  state_ = state_ * 1103515245u + 12345u;  // unsigned: wraps modulo 2^32 by definition
  return static_cast<int>((state_ / 65536u) % 32768u);
}

float Percentage(RandomSource& random) {
  return static_cast<float>(random.Next() % 101) * 0.01f;
}

}  // namespace game
