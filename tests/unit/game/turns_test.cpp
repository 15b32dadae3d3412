// Playing together: the end of a game, and a whole game against the computer replayed.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "game/choices.h"
#include "game/navigation.h"
#include "game/opponent.h"
#include "game/turns.h"
#include "test_support.h"

namespace game {
namespace {

using testing::Harness;

void Try(Harness& h, int a, int b) {
  h.Click(static_cast<uint32_t>(a + 1));
  h.Click(static_cast<uint32_t>(b + 1));
  h.Tick();
}

TEST(Turns, AMissGoesRoundThePlayersAndTheMostPairsWinOrDraw) {
  Harness h;
  h.state.playerMode = threePlayers;
  testing::DealThroughTick(h, Level::easy);
  const LevelParams& easy = ParamsOf(Level::easy);
  const std::vector<int> zeros = testing::BoxesWithFace(h.state, easy, 0);
  const int one = testing::BoxesWithFace(h.state, easy, 1)[0];
  for (int miss = 0; miss < 3; ++miss) Try(h, zeros[0], one);
  EXPECT_EQ(h.state.players.current, 0);
  EXPECT_EQ(h.state.players.turns, 4);

  // The last pair, taken by player 1 (6, 6, 6: a draw) or by player 2 (6, 5, 7: player 2 wins).
  for (int8_t taker : {int8_t{1}, int8_t{2}}) {
    h.state.pairsFound = easy.pairsToWin - 1;
    const int32_t pairs[3] = {6, 5, 6};
    for (int p = 0; p < 3; ++p) h.state.players.pairs[p] = pairs[p];
    h.state.players.current = taker;
    h.state.selectionCount = 0;
    for (int i : zeros) h.state.boxes[i].present = true, h.state.boxes[i].open = false;
    Try(h, zeros[0], zeros[1]);
    EXPECT_EQ(int(h.state.players.winner), taker == 1 ? kDraw : 2);
    EXPECT_EQ(int(h.state.selectionCount), 3);
  }
  const auto result = FinishedTogether(h.state);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->pairs[2], 7);
  EXPECT_EQ(h.state.score + h.state.bestScore[0] + h.state.won, 0);

  h.state.playerMode = 9;  // a mode that does not exist plays alone
  testing::DealThroughTick(h, Level::easy);
  EXPECT_FALSE(PlayingTogether(h.state));
  EXPECT_FALSE(FinishedTogether(h.state));
}

// Faces shown so far, seen from outside: the person's perfect memory and the test's record.
struct Witness {
  int face[kBoxCapacity];
  Witness() { std::fill(std::begin(face), std::end(face), -1); }
  void Look(const GameState& s, int count) {
    for (int i = 0; i < count; ++i)
      if (s.boxes[i].present && s.boxes[i].open) face[i] = s.boxes[i].face;
  }
  // A match for the open box `open` (-1: any known pair), else the first box not yet seen.
  int Pick(const GameState& s, int count, int open) const {
    for (int i = 0; i < count; ++i)
      for (int j = 0; j < count; ++j)
        if (i != j && j != open && s.boxes[j].present && s.boxes[i].present && face[j] >= 0 &&
            face[i] == face[j] && (open < 0 || i == open))
          return open < 0 ? i : j;
    for (int j = 0; j < count; ++j)
      if (j != open && s.boxes[j].present && face[j] < 0) return j;
    for (int j = 0; j < count; ++j)
      if (j != open && s.boxes[j].present) return j;
    return -1;
  }
};

// The computer may not choose by what it was not shown: with the faces never shown rotated among
// their boxes it makes the same choice from the same numbers. It remembers only true, shown faces.
void CheckPlaysFair(GameState& s, const LevelParams& params, const Witness& seen, uint32_t seed) {
  std::vector<int> hidden;
  for (int i = 0; i < params.boxCount; ++i) {
    if (s.opponent.face[i] >= 0) {
      ASSERT_EQ(s.opponent.face[i], seen.face[i]) << "box " << i;
    }
    if (seen.face[i] < 0) hidden.push_back(i);
  }
  LcgRandom random(seed), again(seed);
  const int choice = ChooseOpponentPick(s, params, random);
  std::vector<int8_t> faces;
  for (int i : hidden) faces.push_back(s.boxes[i].face);
  for (std::size_t k = 0; k < hidden.size(); ++k)
    s.boxes[hidden[k]].face = faces[(k + 1) % faces.size()];
  const int shuffled = ChooseOpponentPick(s, params, again);
  for (std::size_t k = 0; k < hidden.size(); ++k) s.boxes[hidden[k]].face = faces[k];
  ASSERT_EQ(choice, shuffled) << "the choice follows faces it was never shown";
}

// A person who forgets nothing against the computer on `level`, to the end; every tick of the
// computer's turn is checked fair, and a person's click, arrow or Space then changes nothing.
std::string PlayAgainstComputer(Level level, uint32_t seed) {
  Harness h;
  h.random.Seed(seed);
  h.state.playerMode = againstComputer;
  testing::DealThroughTick(h, level);
  const LevelParams& params = ParamsOf(level);
  Witness seen;
  int ticks = 0;
  while (!h.state.players.finished && ticks < 100000) {
    if (ComputersTurn(h.state)) {
      const int8_t count = h.state.selectionCount;
      h.Click(1);
      MoveHighlight(h.state, Direction::left);
      PressHighlighted(h.state, h.actions);
      EXPECT_EQ(h.state.selectionCount, count);
      if (count < 2) CheckPlaysFair(h.state, params, seen, 7 + ticks);
      if (::testing::Test::HasFatalFailure()) return "unfair";
      if (++ticks % 100 == 0) h.Second();
    } else {
      const int first = seen.Pick(h.state, params.boxCount, -1);
      h.Click(static_cast<uint32_t>(first + 1));
      seen.Look(h.state, params.boxCount);  // seen before the second is chosen
      h.Click(static_cast<uint32_t>(seen.Pick(h.state, params.boxCount, first) + 1));
      ++ticks;
    }
    seen.Look(h.state, params.boxCount);
    h.Tick();
    seen.Look(h.state, params.boxCount);
  }
  EXPECT_FALSE(ComputersTurn(h.state));  // the person may leave by Back
  const Players& p = h.state.players;
  char text[120];
  std::snprintf(text, sizeof text, "turns=%d pairs=%d,%d winner=%d clock=%d ticks=%d",
                int(p.turns), int(p.pairs[0]), int(p.pairs[1]), int(p.winner), int(p.seconds),
                ticks);
  return text;
}

TEST(Opponent, WholeGamesReplayExactlyAndTheComputerNeverChoosesByFacesItWasNotShown) {
  const std::string easy = PlayAgainstComputer(Level::easy, 11);
  EXPECT_EQ(easy, PlayAgainstComputer(Level::easy, 11));
  // The easy computer forgets most of what it sees; the hard one almost nothing.
  EXPECT_EQ(easy, "turns=14 pairs=13,5 winner=0 clock=15 ticks=1556");
  EXPECT_EQ(PlayAgainstComputer(Level::hard, 12),
            "turns=27 pairs=23,17 winner=0 clock=42 ticks=4257");
}

}  // namespace
}  // namespace game
