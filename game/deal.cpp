#include "game/deal.h"

#include <string>

#include "game/turns.h"

namespace game {

std::string FormatBestText(int32_t bestScore) {
  std::string text = std::to_string(bestScore);
  // Six digits stay six: the board shows whatever the score file held.
  while (text.size() < 5) text.insert(text.begin(), '0');
  return text;
}

void ChooseFacePictures(GameState& state, int faceCount, RandomSource& random) {
  // The classic faces spend no draw: their boards stay those the game has always dealt.
  const int pictures = state.setPictureCount;
  if (!state.shuffledFaces || pictures <= 0) {
    for (int face = 0; face < kClassicPictureCount; ++face)
      state.facePicture[face] = static_cast<int16_t>(face);
    return;
  }
  // Distinct pictures drawn from the whole set, a drawn one drawn again; a set too small for
  // the level (the menu refuses it) repeats its pictures rather than loop.
  for (int face = 0; face < kClassicPictureCount; ++face) {
    int16_t picture = static_cast<int16_t>(face % pictures);
    if (face < faceCount && faceCount <= pictures) {
      bool taken = true;
      while (taken) {
        picture = static_cast<int16_t>(random.Next() % pictures);
        taken = false;
        for (int earlier = 0; earlier < face; ++earlier)
          taken = taken || state.facePicture[earlier] == picture;
      }
    }
    state.facePicture[face] = picture;
  }
}

namespace {

// Deals faces 1..faceCount-1 `copies` times each over boxes first..first+count-1, which hold face
// 0 (free) on entry; the boxes still holding it at the end are face 0's copies. A draw that lands
// on a taken box is wasted and drawn again.
void DealFaces(GameState& state, const LevelParams& params, int first, int count, int copies,
               RandomSource& random) {
  for (int face = 1; face < params.faceCount; ++face) {
    int placed = 0;
    while (placed < copies) {
      Box& box = state.boxes[first + random.Next() % count];
      if (box.face == 0) {
        box.face = static_cast<int8_t>(face);
        ++placed;
      }
    }
  }
}

}  // namespace

void DealBoard(GameState& state, Level level, RandomSource& random) {
  const LevelParams& params = ParamsOf(level);

  state.won = false;
  state.lost = false;
  state.paused = false;
  state.misses = 0;
  state.boardProgress = kBoardUntouched;
  state.recordRank = 0;
  state.hoverRecords = false;
  state.timeLeft = params.timeLimit;
  state.bestText.Set(FormatBestText(state.bestScore[params.bestScoreSlot]));

  // Red and green are kept: the next SecondTick colours the boxes anew.
  for (int i = 0; i < params.boxCount; ++i) {
    Box& box = state.boxes[i];
    box.face = 0;
    box.open = false;
    box.hover = false;
    box.present = true;
    box.b = 1.0f;
  }

  if (state.twoKindCards && state.dividedBoard) {
    // First cards in the first half, second cards in the other: two deals of half the copies.
    const int half = params.boxCount / 2;
    DealFaces(state, params, 0, half, params.copiesPerFace / 2, random);
    DealFaces(state, params, half, params.boxCount - half, params.copiesPerFace / 2, random);
    for (int i = 0; i < params.boxCount; ++i) state.boxes[i].side = i < half ? 0 : 1;
  } else {
    DealFaces(state, params, 0, params.boxCount, params.copiesPerFace, random);
    // A face's copies alternate first and second card in box order: no draw of their own.
    int dealt[kClassicPictureCount] = {};
    for (int i = 0; i < params.boxCount; ++i) {
      Box& box = state.boxes[i];
      box.side = state.twoKindCards ? static_cast<int8_t>(dealt[box.face]++ % 2) : int8_t{0};
    }
  }

  ChooseFacePictures(state, params.faceCount, random);

  state.selectionCount = 0;
  state.pairsFound = 0;
  state.score = 0;
  state.scoreText.Set("0000");
  StartTurns(state, level);
  // Last, with release: whoever loads the play scene with acquire sees the whole board.
  state.scene.store(params.playScene, std::memory_order_release);
}

}  // namespace game
