#include "game/pairs.h"

namespace game {

namespace {
constexpr int kNoPair = -1;
}  // namespace

int PairOfFace(const GameState&, int face) { return face < 0 ? kNoPair : face; }

bool FacesBelongTogether(const GameState& state, int face, int otherFace) {
  const int pair = PairOfFace(state, face);
  return pair != kNoPair && pair == PairOfFace(state, otherFace);
}

bool BelongTogether(const GameState& state, uint8_t first, uint8_t second) {
  if (state.twoKindCards && state.boxes[first].side == state.boxes[second].side) return false;
  return FacesBelongTogether(state, state.boxes[first].face, state.boxes[second].face);
}

int CardPicture(const GameState& state, int box) {
  const int picture = state.facePicture[state.boxes[box].face];
  return state.twoKindCards ? 2 * picture + state.boxes[box].side : picture;
}

void RequestCardSound(GameState& state, int box) {
  if (!state.cardSounds) return;
  state.cardSound = static_cast<int16_t>(CardPicture(state, box));
  RequestSound(state, SoundRequest::playCard);
}

}  // namespace game
