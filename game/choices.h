// What the player chooses in the menu beside the level: how many play.
#pragma once

#include <cstdint>

namespace game {

enum PlayerMode : int8_t {
  onePlayer = 1,
  twoPlayers,
  threePlayers,
  fourPlayers,
  againstComputer = 5,
};

}  // namespace game
