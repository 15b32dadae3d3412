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

TEST(Turns, AMissGoesRoundThePlayersAndAnEqualMostIsADraw) {
  Harness h;
  h.state.playerMode = threePlayers;
  testing::DealThroughTick(h, Level::easy);
  const LevelParams& easy = ParamsOf(Level::easy);
  const std::vector<int> zeros = testing::BoxesWithFace(h.state, easy, 0);
  const int one = testing::BoxesWithFace(h.state, easy, 1)[0];
  for (int miss = 0; miss < 3; ++miss) Try(h, zeros[0], one);
  EXPECT_EQ(h.state.players.current, 0);  // round the three and back
  h.state.pairsFound = easy.pairsToWin - 1;
  h.state.players.pairs[0] = 5;  // the last pair makes 6, 6, 6
  h.state.players.pairs[1] = 6;
  h.state.players.pairs[2] = 6;
  Try(h, zeros[0], zeros[1]);
  EXPECT_TRUE(h.state.players.finished);
  EXPECT_EQ(h.state.players.winner, kDraw);
  EXPECT_EQ(h.state.score + h.state.bestScore[0], 0);

  h.state.playerMode = 9;  // a mode that does not exist plays alone
  testing::DealThroughTick(h, Level::easy);
  EXPECT_FALSE(PlayingTogether(h.state));
}

// The faces shown so far, as the test sees them from outside.
struct Witness {
  int face[kBoxCapacity];
  Witness() { std::fill(std::begin(face), std::end(face), -1); }
  void Look(const GameState& s, int count) {
    for (int i = 0; i < count; ++i)
      if (s.boxes[i].present && s.boxes[i].open) face[i] = s.boxes[i].face;
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

// A person against the computer on `level`, to the end; every tick of the computer's turn is
// checked fair, and a person's click, arrow or Space then changes nothing.
std::string PlayAgainstComputer(Level level, uint32_t seed, bool twoKinds = false) {
  Harness h;
  h.random.Seed(seed);
  h.state.playerMode = againstComputer;
  h.state.twoKindCards = twoKinds;
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
      // The person opens the first two boxes left: careless, but a steady source of faces.
      int opened = 0;
      for (int i = 0; i < params.boxCount && opened < 2; ++i)
        if (h.state.boxes[i].present) h.Click(static_cast<uint32_t>(i + 1)), ++opened;
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
  EXPECT_EQ(easy, "turns=48 pairs=1,17 winner=1 clock=55 ticks=5649");
  EXPECT_EQ(PlayAgainstComputer(Level::hard, 12), "turns=42 pairs=0,40 winner=1 clock=83 ticks=8422");
  // Cards of two kinds: it remembers which card it saw, so a face's two alike cards are no pair
  // to it, and it still clears a hard board almost without a miss.
  EXPECT_EQ(PlayAgainstComputer(Level::hard, 12, true),
            "turns=44 pairs=1,39 winner=1 clock=82 ticks=8387");
}

}  // namespace
}  // namespace game
