// The scene machine: three periodic ticks that move everything in the game. They run one at a
// time on the tick thread and change only GameState.
#pragma once

#include <cstdint>
#include <functional>

#include "game/game_state.h"
#include "game/level.h"
#include "game/random.h"

namespace game {

// What the ticks need from outside: chance, the pause of the rules and the clock.
struct TickEnvironment {
  RandomSource& random;                     // the one generator, reseeded on every menu entry
  std::function<void()> pause;              // the rules' 500 ms pause; the game sleeps here
  std::function<int64_t()> secondsNow;      // calendar time in seconds, the reseed value
  std::function<void()> bestScoreBeaten;    // a win has just raised a best score; may be empty
};

// One 10 ms step of the scene in `scene`: menu entry, menu animation, dealing, judging a try,
// about-screen cubes. Scenes 8, 10 and unknown codes: nothing. Tick thread.
void GameTick(GameState& state, TickEnvironment& environment);

// The 1000 ms step: on a board the box colours and the clock as the board's mode runs it (the
// countdown and its loss, or the time counting up); on the about screen a new target colour for
// the cubes. Other scenes: nothing. Tick thread.
void SecondTick(GameState& state, TickEnvironment& environment);

// The 3000 ms step: a new spin direction (rand mod 8) on the about screen; nothing elsewhere.
// Tick thread.
void SpinTick(GameState& state, TickEnvironment& environment);

// Judges the two open boxes of a try (selectionCount 2) in every mode: removes a pair or closes
// the boxes, scores and keeps or passes the turn as the board's mode says, and ends the game on
// its last pair. Reads firstPick and secondPick once, at its start. Called by GameTick on a board;
// tick thread.
void EvaluateTry(GameState& state, const LevelParams& params, TickEnvironment& environment);

}  // namespace game
