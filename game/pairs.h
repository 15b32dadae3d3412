// What makes a pair: the one judge of two cards, for the ticks that judge a try and for the
// computer that looks for a match in its memory.
#pragma once

#include <cstdint>

#include "game/game_state.h"

namespace game {

// The pair a dealt face belongs to; two cards are a pair when their faces share one. Every board
// dealt today holds alike cards (the classic faces and the picture sets, copies of each face), so
// a face is its own pair. Cards of two kinds give a word and its picture one pair here, and the
// judging, the computer and the modes follow. A face below 0 (nothing seen) is in no pair. Any
// thread.
int PairOfFace(const GameState& state, int face);

// Whether cards with these faces belong together. Any thread.
bool FacesBelongTogether(const GameState& state, int face, int otherFace);

// Whether the boxes first and second (0-based, dealt) hold a pair: their faces share one and, on
// a board of two-kind cards, one is the pair's first card and the other its second. Tick thread
// (judging a try).
bool BelongTogether(const GameState& state, uint8_t first, uint8_t second);

// The set's picture that box (0-based, dealt) shows when open: its face's picture, or on a board
// of two-kind cards that picture's card on the box's side (2 picture + side). Any thread.
int CardPicture(const GameState& state, int box);

// A box just opened: on a deck whose cards sound, asks for the sound of its card; nothing
// otherwise. Any thread that opens a box.
void RequestCardSound(GameState& state, int box);

}  // namespace game
