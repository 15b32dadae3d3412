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
  int clockChoice;
  int players;
  bool computer;
  Company company;
  Clock clock;
  bool keepsBestScore;     // in maxsum.cfg
  bool relaxed;            // its records kept apart
  int32_t scoreAfterPair;  // from a score of 100 with 37 seconds left, 5 pairs and 2 misses
  int32_t scoreAfterMiss;  // 4 pairs and 3 misses
  Turn turnAfterPair;
  Turn turnAfterMiss;
};

constexpr Decisions kDecisions[] = {
    {onePlayer, countdown, 1, false, Company::alone, Clock::countdown, true, false, 137, 100,
     Turn::keep, Turn::keep},
    // 100 a pair, 10 a miss, whatever the time.
    {onePlayer, relaxed, 1, false, Company::alone, Clock::countUp, false, true, 480, 370,
     Turn::keep, Turn::keep},
    {twoPlayers, countdown, 2, false, Company::players, Clock::countUp, false, false, 100, 100,
     Turn::keep, Turn::pass},
    {threePlayers, countdown, 3, false, Company::players, Clock::countUp, false, false, 100, 100,
     Turn::keep, Turn::pass},
    {fourPlayers, countdown, 4, false, Company::players, Clock::countUp, false, false, 100, 100,
     Turn::keep, Turn::pass},
    {againstComputer, countdown, 2, true, Company::computer, Clock::countUp, false, false, 100,
     100, Turn::keep, Turn::pass},
    // Together the clock already counts up: the relaxed choice plays them alike.
    {twoPlayers, relaxed, 2, false, Company::players, Clock::countUp, false, false, 100, 100,
     Turn::keep, Turn::pass},
    {againstComputer, relaxed, 2, true, Company::computer, Clock::countUp, false, false, 100,
     100, Turn::keep, Turn::pass},
    // Not a mode or no clock: played alone, as the original game.
    {0, countdown, 1, false, Company::alone, Clock::countdown, true, false, 137, 100, Turn::keep,
     Turn::keep},
    {9, countdown, 1, false, Company::alone, Clock::countdown, true, false, 137, 100, Turn::keep,
     Turn::keep},
    {onePlayer, 7, 1, false, Company::alone, Clock::countdown, true, false, 137, 100, Turn::keep,
     Turn::keep},
};

TEST(Modes, DecideWhomTheClockTheScoreAndTheTurn) {
  for (const Decisions& row : kDecisions) {
    SCOPED_TRACE(testing::Message() << row.playerMode << " clock " << row.clockChoice);
    const Mode& mode = ModeOf(row.playerMode, row.clockChoice);
    EXPECT_EQ(mode.PlayerCount(), row.players);
    EXPECT_EQ(mode.AgainstComputer(), row.computer);
    EXPECT_EQ(mode.PlayedWith(), row.company);
    EXPECT_EQ(mode.ClockKind(), row.clock);
    EXPECT_EQ(mode.KeepsBestScore(), row.keepsBestScore);
    EXPECT_EQ(mode.Relaxed(), row.relaxed);
    EXPECT_EQ(mode.ScoreAfter({true, 100, 37, 5, 2}), row.scoreAfterPair);
    EXPECT_EQ(mode.ScoreAfter({false, 100, 37, 4, 3}), row.scoreAfterMiss);
    EXPECT_EQ(mode.TurnAfter(true), row.turnAfterPair);
    EXPECT_EQ(mode.TurnAfter(false), row.turnAfterMiss);
  }
  // The relaxed score never falls below 0, however many misses.
  EXPECT_EQ(ModeOf(onePlayer, relaxed).ScoreAfter({false, 0, 0, 1, 11}), 0);
}

struct Ending {
  int playerMode;
  int clockChoice;
  std::vector<int32_t> pairs;  // per player at the end
  Outcome outcome;             // for the first player
  bool won;                    // the single player's message
  bool finished;               // the standings
  int8_t winner;
};

TEST(Modes, DecideHowTheLastPairEndsTheGame) {
  const Ending endings[] = {
      {onePlayer, countdown, {18}, Outcome::won, true, false, kDraw},
      {onePlayer, relaxed, {18}, Outcome::won, true, false, kDraw},
      {twoPlayers, countdown, {10, 8}, Outcome::won, false, true, 0},
      {twoPlayers, relaxed, {9, 9}, Outcome::draw, false, true, kDraw},
      {threePlayers, countdown, {4, 7, 7}, Outcome::draw, false, true, kDraw},
      {fourPlayers, countdown, {2, 3, 9, 4}, Outcome::lost, false, true, 2},
      {againstComputer, countdown, {1, 17}, Outcome::lost, false, true, 1},
  };
  for (const Ending& ending : endings) {
    SCOPED_TRACE(ending.playerMode);
    GameState state;
    const Mode& mode = ModeOf(ending.playerMode, ending.clockChoice);
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
