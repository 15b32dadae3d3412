// Each mode's decisions as a table: whom it is played with, its clock, what a try scores, what it
// does to the turn, and how the last pair ends the game.
#include "game/mode.h"

#include <gtest/gtest.h>

#include <vector>

#include "game/choices.h"
#include "game/pairs.h"

namespace game {
namespace {

struct Decisions {
  int playerMode;
  int players;
  bool computer;
  Company company;
  Clock clock;
  int32_t scoreAfterPair;  // from a score of 100 with 37 seconds left
  int32_t scoreAfterMiss;
  Turn turnAfterPair;
  Turn turnAfterMiss;
};

constexpr Decisions kDecisions[] = {
    {onePlayer, 1, false, Company::alone, Clock::countdown, 137, 100, Turn::keep, Turn::keep},
    {twoPlayers, 2, false, Company::players, Clock::countUp, 100, 100, Turn::keep, Turn::pass},
    {threePlayers, 3, false, Company::players, Clock::countUp, 100, 100, Turn::keep, Turn::pass},
    {fourPlayers, 4, false, Company::players, Clock::countUp, 100, 100, Turn::keep, Turn::pass},
    {againstComputer, 2, true, Company::computer, Clock::countUp, 100, 100, Turn::keep,
     Turn::pass},
    // Not a mode: played alone, as the original game.
    {0, 1, false, Company::alone, Clock::countdown, 137, 100, Turn::keep, Turn::keep},
    {9, 1, false, Company::alone, Clock::countdown, 137, 100, Turn::keep, Turn::keep},
};

TEST(Modes, DecideWhomTheClockTheScoreAndTheTurn) {
  for (const Decisions& row : kDecisions) {
    SCOPED_TRACE(row.playerMode);
    const Mode& mode = ModeOf(row.playerMode);
    EXPECT_EQ(mode.PlayerCount(), row.players);
    EXPECT_EQ(mode.AgainstComputer(), row.computer);
    EXPECT_EQ(mode.PlayedWith(), row.company);
    EXPECT_EQ(mode.ClockKind(), row.clock);
    EXPECT_EQ(mode.ScoreAfter({true, 100, 37, 5, 2}), row.scoreAfterPair);
    EXPECT_EQ(mode.ScoreAfter({false, 100, 37, 4, 3}), row.scoreAfterMiss);
    EXPECT_EQ(mode.TurnAfter(true), row.turnAfterPair);
    EXPECT_EQ(mode.TurnAfter(false), row.turnAfterMiss);
  }
}

struct Ending {
  int playerMode;
  std::vector<int32_t> pairs;  // per player at the end
  Outcome outcome;             // for the first player
  bool won;                    // the single player's message
  bool finished;               // the standings
  int8_t winner;
};

TEST(Modes, DecideHowTheLastPairEndsTheGame) {
  const Ending endings[] = {
      {onePlayer, {18}, Outcome::won, true, false, kDraw},
      {twoPlayers, {10, 8}, Outcome::won, false, true, 0},
      {twoPlayers, {9, 9}, Outcome::draw, false, true, kDraw},
      {threePlayers, {4, 7, 7}, Outcome::draw, false, true, kDraw},
      {fourPlayers, {2, 3, 9, 4}, Outcome::lost, false, true, 2},
      {againstComputer, {1, 17}, Outcome::lost, false, true, 1},
  };
  for (const Ending& ending : endings) {
    SCOPED_TRACE(ending.playerMode);
    GameState state;
    const Mode& mode = ModeOf(ending.playerMode);
    state.players.count = static_cast<int8_t>(mode.PlayerCount());
    state.players.winner = kDraw;
    for (std::size_t p = 0; p < ending.pairs.size(); ++p) state.players.pairs[p] = ending.pairs[p];
    EXPECT_EQ(mode.EndWithLastPair(state), ending.outcome);
    EXPECT_EQ(state.won, ending.won);
    EXPECT_FALSE(state.lost);
    EXPECT_EQ(state.players.finished, ending.finished);
    EXPECT_EQ(state.players.winner, ending.winner);
  }
}

TEST(Pairs, AlikeFacesBelongTogetherAndNothingUnseenDoes) {
  GameState state;
  state.boxes[0].face = 3;
  state.boxes[1].face = 3;
  state.boxes[2].face = 4;
  EXPECT_TRUE(BelongTogether(state, 0, 1));
  EXPECT_FALSE(BelongTogether(state, 0, 2));
  EXPECT_TRUE(FacesBelongTogether(state, 0, 0));
  EXPECT_FALSE(FacesBelongTogether(state, -1, -1)) << "the computer's unknown boxes";
}

}  // namespace
}  // namespace game
