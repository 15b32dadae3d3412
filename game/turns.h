// Playing together: two to four players take turns at one board, or one player plays against the
// computer. A turn opens two boxes under the rules of a click; a pair found counts for the player
// who found it and keeps the turn, a miss passes it. The clock counts up; when the last pair is
// gone the most pairs win (an equal most is a draw). Best scores are the single player's alone.
#pragma once

#include <cstdint>
#include <optional>

#include "game/game_state.h"
#include "game/level.h"
#include "game/ticks.h"

namespace game {

// Players in a mode: 1 alone, 2 to 4 at one screen, 2 against the computer (its last player).
// An unknown mode counts as one player.
int PlayerCountOf(int mode);
bool HasComputer(int mode);

// Sets up the players of a new board of `level` from state.playerMode: turns begin with the first
// player, nobody has a pair, the clock is at 0, the computer remembers nothing. Called by DealBoard
// before it publishes the board; tick thread.
void StartTurns(GameState& state, Level level);

// Whether the board being played is played together (fixed at its deal).
bool PlayingTogether(const GameState& state);

// Whether it is the computer's turn in a game not yet over; then a person's clicks, keys and moves
// on the board do nothing. Any thread.
bool ComputersTurn(const GameState& state);

// One play tick of a board played together: the computer notes what is shown, the open pair is
// judged, the computer takes its step. Tick thread (GameTick).
void PlayTurnTick(GameState& state, const LevelParams& params, TickEnvironment& environment);

// Judges the two open boxes (selectionCount 2) of a board played together: a pair is removed and
// counts for the current player, who plays on; a miss closes both and passes the turn. The last
// pair ends the game: the standings are final and the win sound follows the pause. Never touches
// the score or the best scores. Tick thread.
void EvaluateTurn(GameState& state, const LevelParams& params, TickEnvironment& environment);

// The second tick's share on a board played together: the clock counts up until the end. Tick
// thread (SecondTick).
void CountClockUp(GameState& state);

// A finished game played together, as the history keeps it.
struct TogetherResult {
  Level level;
  int8_t players;   // 2..4
  bool computer;    // the last player is the computer
  int32_t pairs[kMaxPlayers];  // per player; 0 beyond `players`
  int8_t winner;    // 0-based, or kDraw
  int32_t turns;
  int32_t seconds;
};

// The result once the last pair of a board played together is gone, until the next deal; none
// before, and none for a board played alone. Any thread.
std::optional<TogetherResult> FinishedTogether(const GameState& state);

}  // namespace game
