// The computer opponent plays like a person with a memory: it knows only faces that have been
// shown, by anyone, and remembers each shown box with a probability that grows with the level. It
// takes a pair it knows; otherwise it opens a box it does not know and then that face's match if
// it remembers one. Its picks are paced in ticks and its chance comes from the game's generator,
// so a replay repeats a game exactly. Tick thread only.
#pragma once

#include "game/game_state.h"
#include "game/level.h"
#include "game/random.h"

namespace game {

// Percent chance that the computer remembers a box it is shown: easy forgets most, hard almost
// nothing.
int RememberPercent(Level level);

// Ticks (10 ms) between the computer's picks: kOpponentPaceMin + (rand mod kOpponentPaceSpread).
inline constexpr int kOpponentPaceMin = 60;
inline constexpr int kOpponentPaceSpread = 21;

// Notes every box that is open now and was not at the last tick: the computer remembers its face
// with the level's probability (one draw per showing). Boxes no longer open are noted as closed.
void NoteShownBoxes(GameState& state, const LevelParams& params, RandomSource& random);

// The box the computer opens next, 0-based: with no box open, one of a remembered pair or else an
// unknown box; with one open, a remembered match of the open face or else an unknown box. Reads
// the faces of open boxes and its memory, never the face of a closed box. -1 when no box can be
// opened.
int ChooseOpponentPick(const GameState& state, const LevelParams& params, RandomSource& random);

// One tick of the computer's turn: while fewer than two boxes are open it waits its pace, then
// opens the chosen box as a click would (box sound included). Nothing on another's turn.
void OpponentStep(GameState& state, const LevelParams& params, RandomSource& random);

}  // namespace game
