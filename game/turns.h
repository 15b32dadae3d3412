// Playing together: two to four players take turns at one board, or one player plays against the
// computer. A turn opens two boxes under the rules of a click; what a try does to the turn, the
// clock and the end is the board's mode's (game/mode.h). Best scores are the single player's alone.
#pragma once

#include "game/game_state.h"
#include "game/level.h"

namespace game {

// Sets up the players of a new board of `level` from state.playerMode, whose policy plays it:
// turns begin with the first player, nobody has a pair, the clock is at 0, the computer
// remembers nothing. Called by DealBoard before it publishes the board; tick thread.
void StartTurns(GameState& state, Level level);

// Whether the board being played is played together (fixed at its deal).
bool PlayingTogether(const GameState& state);

// Whether it is the computer's turn in a game not yet over; then a person's clicks, keys and moves
// on the board do nothing. Any thread.
bool ComputersTurn(const GameState& state);

// The turn goes to the next player round the board, and a turn begins. Tick thread.
void PassTurn(GameState& state);

}  // namespace game
