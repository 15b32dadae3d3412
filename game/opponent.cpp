#include "game/opponent.h"

#include <vector>

#include "game/pairs.h"
#include "game/turns.h"

namespace game {
namespace {

constexpr int kUnknown = -1;

// Present boxes that are closed and whose face the computer does not remember, but `except`.
std::vector<int> UnknownBoxes(const GameState& state, const LevelParams& params, int except) {
  std::vector<int> boxes;
  for (int i = 0; i < params.boxCount; ++i) {
    const Box& box = state.boxes[i];
    if (i != except && box.present && !box.open && state.opponent.face[i] == kUnknown)
      boxes.push_back(i);
  }
  return boxes;
}

// A present, closed box remembered with a card that belongs with the card `face` on `side`
// (a face's other side on a board of two-kind cards), but `except`; -1 for none.
int RememberedBox(const GameState& state, const LevelParams& params, int face, int side,
                  int except) {
  for (int i = 0; i < params.boxCount; ++i) {
    const Box& box = state.boxes[i];
    if (i != except && box.present && !box.open &&
        FacesBelongTogether(state, state.opponent.face[i], face) &&
        !(state.twoKindCards && state.opponent.side[i] == side))
      return i;
  }
  return -1;
}

// A box it does not know, drawn at random; any closed box when it knows them all.
int BlindPick(const GameState& state, const LevelParams& params, int except,
              RandomSource& random) {
  std::vector<int> boxes = UnknownBoxes(state, params, except);
  if (boxes.empty()) {
    for (int i = 0; i < params.boxCount; ++i)
      if (i != except && state.boxes[i].present && !state.boxes[i].open) boxes.push_back(i);
  }
  if (boxes.empty()) return -1;
  return boxes[static_cast<std::size_t>(random.Next()) % boxes.size()];
}

}  // namespace

int RememberPercent(Level level) {
  switch (level) {
    case Level::easy: return 30;
    case Level::normal: return 65;
    case Level::hard: return 95;
  }
  return 0;
}

void NoteShownBoxes(GameState& state, const LevelParams& params, RandomSource& random) {
  OpponentMemory& memory = state.opponent;
  const int percent = RememberPercent(params.level);
  for (int i = 0; i < params.boxCount; ++i) {
    const Box& box = state.boxes[i];
    const bool openNow = box.present && box.open;
    if (openNow && !memory.shown[i] && random.Next() % 100 < percent) {
      memory.face[i] = box.face;
      memory.side[i] = box.side;
    }
    memory.shown[i] = openNow;
  }
}

int ChooseOpponentPick(const GameState& state, const LevelParams& params, RandomSource& random) {
  if (state.selectionCount == 1) {
    // The open box is in plain view: look for its match in memory.
    const int first = state.firstPick;
    const int match =
        RememberedBox(state, params, state.boxes[first].face, state.boxes[first].side, first);
    if (match >= 0) return match;
    return BlindPick(state, params, first, random);
  }
  for (int i = 0; i < params.boxCount; ++i) {
    const int face = state.opponent.face[i];
    if (face == kUnknown || !state.boxes[i].present || state.boxes[i].open) continue;
    if (RememberedBox(state, params, face, state.opponent.side[i], i) >= 0) return i;
  }
  return BlindPick(state, params, -1, random);
}

void OpponentStep(GameState& state, const LevelParams& params, RandomSource& random) {
  OpponentMemory& memory = state.opponent;
  const int8_t count = state.selectionCount.load(std::memory_order_acquire);
  if (!ComputersTurn(state) || count < 0 || count > 1) {
    memory.wait = -1;
    return;
  }
  // Paced so that a person can follow each pick.
  if (memory.wait < 0) memory.wait = kOpponentPaceMin + random.Next() % kOpponentPaceSpread;
  if (--memory.wait > 0) return;
  memory.wait = -1;

  const int pick = ChooseOpponentPick(state, params, random);
  if (pick < 0) return;
  const uint8_t index = static_cast<uint8_t>(pick);
  state.boxes[index].open = true;
  if (count == 0)
    state.firstPick = index;
  else
    state.secondPick = index;
  state.selectionCount.store(static_cast<int8_t>(count + 1), std::memory_order_release);
  RequestSound(state, SoundRequest::playBox);
  RequestCardSound(state, index);
}

}  // namespace game
