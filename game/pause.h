// The pause of a board in play: a rule beside the game's own. While paused no tick changes the
// board (the countdown, the box colours, a pair waiting to be judged all wait), the boxes are not
// shown and the game music is stopped where it is; any key or click resumes where it stopped.
// Outside a board in play nothing pauses. UI thread, except IsBoardPaused (any thread).
#pragma once

#include "game/game_state.h"

namespace game {

// Whether the board's game is over: won, lost, or its last pair gone when played together.
bool IsBoardOver(const GameState& state);

// Whether the scene is a board whose game is still being played.
bool IsBoardInPlay(const GameState& state);

// Whether a board is paused now.
bool IsBoardPaused(const GameState& state);

// P, the Pause key, the gamepad's Start, a minimised or unfocused window: pauses a board in
// play and stops the game music. Returns whether the board is paused now.
bool PauseBoard(GameState& state);

// Resumes a paused board and its music. Returns whether there was a pause to end.
bool ResumeBoard(GameState& state);

// The pause key or button: pauses a board in play, resumes a paused one.
void TogglePause(GameState& state);

}  // namespace game
