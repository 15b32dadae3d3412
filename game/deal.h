// Dealing a board: the level's counters reset and each face placed copiesPerFace times at random.
// On a board of two-kind cards each box also gets its side (Box::side): which card of its pair.
#pragma once

#include <cstdint>
#include <string>

#include "game/game_state.h"
#include "game/level.h"
#include "game/random.h"

namespace game {

// Resets the level's flags, counters and texts, puts boxes 0..boxCount-1 back closed and present
// with faces dealt from random, and ends by storing the play scene with release, which publishes
// the board. Boxes from boxCount on are not touched. Tick thread (GameTick, in a setup scene).
void DealBoard(GameState& state, Level level, RandomSource& random);

// Sets facePicture for the faces of a level: the classic faces show face f as picture f without
// a draw; another set's faces show faceCount distinct pictures drawn from all of its
// setPictureCount pictures. Tick thread (DealBoard).
void ChooseFacePictures(GameState& state, int faceCount, RandomSource& random);

// The best score as the board shows it: "%d", padded on the left with '0' to five characters;
// longer texts are kept whole.
std::string FormatBestText(int32_t bestScore);

}  // namespace game
