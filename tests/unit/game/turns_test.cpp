// Playing together: whose turn, the end of a game, and the computer's play replayed whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "game/navigation.h"
#include "game/opponent.h"
#include "game/turns.h"
#include "test_support.h"

namespace game {
namespace {

using testing::Harness;

void StartBoard(Harness& h, PlayerMode mode, Level level) {
  h.state.playerMode = mode;
  testing::DealThroughTick(h, level);
}

// Opens boxes `a` and `b` and judges them.
void Try(Harness& h, int a, int b) {
  h.Click(static_cast<uint32_t>(a + 1));
  h.Click(static_cast<uint32_t>(b + 1));
  h.Tick();
}

TEST(Turns, AMissPassesRoundThePlayersAndTheMostPairsWinOrDraw) {
  Harness h;
  StartBoard(h, threePlayers, Level::easy);
  const LevelParams& easy = ParamsOf(Level::easy);
  const std::vector<int> zeros = testing::BoxesWithFace(h.state, easy, 0);
  const std::vector<int> ones = testing::BoxesWithFace(h.state, easy, 1);
  for (int miss = 0; miss < 3; ++miss) Try(h, zeros[0], ones[0]);
  EXPECT_EQ(h.state.players.current, 0);  // round the three and back
  EXPECT_EQ(h.state.players.turns, 4);

  // The last pair: whoever takes it, an equal most is a draw, a single most wins.
  for (int8_t taker : {int8_t{1}, int8_t{2}}) {
    h.state.pairsFound = easy.pairsToWin - 1;
    h.state.players.pairs[0] = 6;
    h.state.players.pairs[1] = 5;
    h.state.players.pairs[2] = 6;
    h.state.players.current = taker;
    h.state.players.finished = false;
    h.state.selectionCount = 0;
    Try(h, zeros[0], zeros[1]);
    EXPECT_TRUE(h.state.players.finished);
    EXPECT_EQ(int(h.state.players.winner), taker == 1 ? kDraw : 2) << int(taker);
    EXPECT_EQ(int(h.state.selectionCount), 3);
    for (int i : zeros) {
      h.state.boxes[i].present = true;
      h.state.boxes[i].open = false;
    }
  }
  const auto result = FinishedTogether(h.state);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->players, 3);
  EXPECT_EQ(result->pairs[2], 7);
  EXPECT_EQ(result->winner, 2);
  EXPECT_EQ(h.state.score, 0);
  EXPECT_FALSE(h.state.won);
  EXPECT_EQ(h.state.bestScore[0], 0);

  // One player is the game as it always was: no result of playing together.
  StartBoard(h, onePlayer, Level::easy);
  EXPECT_FALSE(PlayingTogether(h.state));
  EXPECT_FALSE(FinishedTogether(h.state));
  h.state.playerMode = 9;  // a mode that does not exist is one player
  testing::DealThroughTick(h, Level::easy);
  EXPECT_FALSE(PlayingTogether(h.state));
}

// The boxes shown so far and their faces, as the test sees them from outside.
struct Witness {
  int face[kBoxCapacity];
  Witness() { std::fill(std::begin(face), std::end(face), -1); }
  bool Shown(int i) const { return face[i] >= 0; }
  void Look(const GameState& state, int boxCount) {
    for (int i = 0; i < boxCount; ++i)
      if (state.boxes[i].present && state.boxes[i].open) face[i] = state.boxes[i].face;
  }
  // A person who forgets nothing: one of a known pair, else the first box not yet seen...
  int First(const GameState& state, int boxCount) const {
    for (int i = 0; i < boxCount; ++i)
      if (state.boxes[i].present && Shown(i) && Second(state, boxCount, i, true) >= 0) return i;
    return Second(state, boxCount, -1, false);
  }
  // ...then the known match of the open box, else the first box not yet seen, else any.
  int Second(const GameState& state, int boxCount, int open, bool matchOnly) const {
    for (int j = 0; j < boxCount && open >= 0; ++j)
      if (j != open && state.boxes[j].present && Shown(j) && face[j] == face[open]) return j;
    if (matchOnly) return -1;
    for (int j = 0; j < boxCount; ++j)
      if (j != open && state.boxes[j].present && !Shown(j)) return j;
    for (int j = 0; j < boxCount; ++j)
      if (j != open && state.boxes[j].present) return j;
    return -1;
  }
};

// The computer's choice must not depend on what it has not been shown: with the faces of every
// box never shown shuffled among themselves, it chooses the same box from the same numbers. Its
// memory holds only true faces of boxes that were shown.
void CheckPlaysFair(GameState& state, const LevelParams& params, const Witness& witness,
                    uint32_t seed) {
  for (int i = 0; i < params.boxCount; ++i) {
    const int remembered = state.opponent.face[i];
    if (remembered < 0) continue;
    ASSERT_TRUE(witness.Shown(i)) << "remembers box " << i << " that was never shown";
    ASSERT_EQ(remembered, state.boxes[i].face) << "box " << i;
  }
  std::vector<int> hidden;
  for (int i = 0; i < params.boxCount; ++i)
    if (!witness.Shown(i)) hidden.push_back(i);
  LcgRandom random(seed);
  const int choice = ChooseOpponentPick(state, params, random);
  std::vector<int8_t> faces;
  for (int i : hidden) faces.push_back(state.boxes[i].face);
  for (std::size_t k = 0; k < hidden.size(); ++k)
    state.boxes[hidden[k]].face = faces[(k + 1) % faces.size()];
  LcgRandom again(seed);
  const int shuffled = ChooseOpponentPick(state, params, again);
  for (std::size_t k = 0; k < hidden.size(); ++k) state.boxes[hidden[k]].face = faces[k];
  ASSERT_EQ(choice, shuffled) << "the choice follows faces it was never shown";
}

// A whole game against the computer on `level`: a person who forgets nothing plays its turns
// against the computer; every tick of the computer's turn is checked fair.
std::string PlayAgainstComputer(Level level, uint32_t seed, int* computerPicks) {
  Harness h;
  h.random.Seed(seed);
  StartBoard(h, againstComputer, level);
  const LevelParams& params = ParamsOf(level);
  Witness witness;
  int ticks = 0;
  *computerPicks = 0;
  h.onRequest = [&](SoundRequest request) {
    if (request == SoundRequest::playBox && ComputersTurn(h.state)) ++*computerPicks;
  };
  while (!h.state.players.finished && ticks < 200000) {
    if (ComputersTurn(h.state)) {
      // A person's click, arrow or Space in the computer's turn changes nothing.
      const int8_t count = h.state.selectionCount;
      const bool open = h.state.boxes[0].open;
      h.Click(1);
      MoveHighlight(h.state, Direction::left);
      PressHighlighted(h.state, h.actions);
      EXPECT_EQ(h.state.selectionCount, count);
      EXPECT_EQ(h.state.boxes[0].open, open);
      if (h.state.selectionCount < 2) CheckPlaysFair(h.state, params, witness, 7 + ticks);
      if (::testing::Test::HasFatalFailure()) return "unfair";
      h.Tick();
      ++ticks;
      if (ticks % 100 == 0) h.Second();
    } else {
      // The person sees the first box before choosing the second, as a player does.
      const int first = witness.First(h.state, params.boxCount);
      h.Click(static_cast<uint32_t>(first + 1));
      witness.Look(h.state, params.boxCount);
      h.Click(static_cast<uint32_t>(witness.Second(h.state, params.boxCount, first, false) + 1));
      witness.Look(h.state, params.boxCount);
      h.Tick();
      ++ticks;
    }
    witness.Look(h.state, params.boxCount);
  }
  const Players& p = h.state.players;
  char text[160];
  std::snprintf(text, sizeof text, "turns=%d pairs=%d,%d winner=%d clock=%d ticks=%d best=%d",
                int(p.turns), int(p.pairs[0]), int(p.pairs[1]), int(p.winner), int(p.seconds),
                ticks, int(h.state.bestScore[int(level)]));
  return text;
}

TEST(Opponent, AWholeGameReplaysExactlyAndTheComputerNeverTargetsAFaceItWasNotShown) {
  int picks = 0;
  const std::string easy = PlayAgainstComputer(Level::easy, 11, &picks);
  EXPECT_EQ(easy, PlayAgainstComputer(Level::easy, 11, &picks));  // the same numbers, the same game
  // A person who forgets nothing beats the easy computer, which forgets most of what it sees...
  EXPECT_EQ(easy, "turns=14 pairs=13,5 winner=0 clock=15 ticks=1556 best=0");
  const std::string hard = PlayAgainstComputer(Level::hard, 12, &picks);
  // ...and has a harder game against the hard one, which forgets almost nothing.
  EXPECT_EQ(hard, "turns=27 pairs=23,17 winner=0 clock=42 ticks=4257 best=0");
  EXPECT_GT(picks, 0);
}

}  // namespace
}  // namespace game
