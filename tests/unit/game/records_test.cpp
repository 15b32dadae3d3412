// The records kept from the history: the top ten of each level and the counts apart by company.
#include "game/records.h"

#include <gtest/gtest.h>

#include "game/choices.h"

namespace game {
namespace {

GameResult Result(Level level, int32_t score, Outcome outcome = Outcome::won,
                  int8_t mode = onePlayer, int32_t seconds = 60, int8_t clock = countdown) {
  GameResult result;
  result.clock = clock;
  result.level = level;
  result.score = score;
  result.outcome = outcome;
  result.playerMode = mode;
  result.secondsUsed = seconds;
  return result;
}

TEST(Records, TheTopTenKeepsTheBestWinsAndTellsTheirPlace) {
  Records records;
  for (int i = 0; i < 10; ++i) EXPECT_GT(records.Add(100 + i, Result(Level::easy, 100 * i)), 0);
  // An equal score ranks after the older one; the 11th is out.
  EXPECT_EQ(records.Add(200, Result(Level::easy, 700)), 4);
  EXPECT_EQ(records.Add(201, Result(Level::easy, 50)), 0);
  EXPECT_EQ(records.Add(202, Result(Level::easy, 5000)), 1);
  // Not single-player wins: counted, never ranked.
  EXPECT_EQ(records.Add(203, Result(Level::easy, 9000, Outcome::lost)), 0);
  EXPECT_EQ(records.Add(204, Result(Level::easy, 9000, Outcome::won, againstComputer)), 0);
  EXPECT_EQ(records.Add(205, Result(Level::easy, 9000, Outcome::won, threePlayers)), 0);

  const LevelRecords& easy = records.Of(Level::easy);
  ASSERT_EQ(easy.best.size(), 10u);
  EXPECT_EQ(easy.best[0].score, 5000);
  EXPECT_EQ(easy.best[3].score, 700);
  EXPECT_EQ(easy.best[3].time, 107);
  EXPECT_EQ(easy.best[4].time, 200);
  EXPECT_EQ(easy.best[9].score, 200);
  EXPECT_EQ(easy.alone.games, 14);
  EXPECT_EQ(easy.alone.wins, 13);
  EXPECT_EQ(easy.computer.games, 1);
  EXPECT_EQ(easy.computer.wins, 1);
  EXPECT_EQ(easy.players.games, 1);
  EXPECT_TRUE(records.Of(Level::hard).best.empty());
}

TEST(Records, TheFastestWinAndResultsThatAreNoGames) {
  Records records;
  records.Add(1, Result(Level::hard, 10, Outcome::lost, onePlayer, 20));
  EXPECT_EQ(records.Of(Level::hard).bestWonSeconds, -1);
  records.Add(2, Result(Level::hard, 10, Outcome::won, onePlayer, 300));
  records.Add(3, Result(Level::hard, 10, Outcome::won, onePlayer, 250));
  records.Add(4, Result(Level::hard, 10, Outcome::gaveUp, onePlayer, 5));
  records.Add(5, Result(Level::hard, 10, Outcome::won, againstComputer, 100));
  EXPECT_EQ(records.Of(Level::hard).bestWonSeconds, 250);
  EXPECT_EQ(records.Add(6, Result(Level::hard, 10, Outcome::won, 0)), 0);
  EXPECT_EQ(records.Add(7, Result(static_cast<Level>(3), 10)), 0);
  EXPECT_EQ(records.Of(Level::hard).alone.games, 4);
}

TEST(Records, TheRelaxedClockKeepsItsGamesAloneApart) {
  Records records;
  records.Add(1, Result(Level::normal, 900, Outcome::won, onePlayer, 400));
  EXPECT_EQ(records.Add(2, Result(Level::normal, 1700, Outcome::won, onePlayer, 700, relaxed)), 1);
  EXPECT_EQ(records.Add(3, Result(Level::normal, 1200, Outcome::won, onePlayer, 90, relaxed)), 2);
  records.Add(4, Result(Level::normal, 300, Outcome::gaveUp, onePlayer, 30, relaxed));
  // Together the clock changes nothing: the games count where they always did.
  records.Add(5, Result(Level::normal, 0, Outcome::won, againstComputer, 60, relaxed));

  const LevelRecords& countdownRecords = records.Of(Level::normal);
  ASSERT_EQ(countdownRecords.best.size(), 1u);
  EXPECT_EQ(countdownRecords.best[0].score, 900);
  EXPECT_EQ(countdownRecords.alone.games, 1);
  EXPECT_EQ(countdownRecords.bestWonSeconds, 400);
  EXPECT_EQ(countdownRecords.computer.games, 1);

  const LevelRecords& relaxedRecords = records.Of(Level::normal, relaxed);
  ASSERT_EQ(relaxedRecords.best.size(), 2u);
  EXPECT_EQ(relaxedRecords.best[0].score, 1700);
  EXPECT_EQ(relaxedRecords.alone.games, 3);
  EXPECT_EQ(relaxedRecords.alone.wins, 2);
  EXPECT_EQ(relaxedRecords.bestWonSeconds, 90);
  EXPECT_EQ(relaxedRecords.computer.games, 0);
}

}  // namespace
}  // namespace game
