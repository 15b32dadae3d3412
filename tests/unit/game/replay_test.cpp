// Headless replays: a script of ticks, clicks and keys fed into the core, compared as a summary.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "game/choices.h"
#include "game/pairs.h"
#include "game/records.h"
#include "test_support.h"

namespace game {
namespace {

using testing::Harness;

// Runs a script of lines "tick N", "second N", "spin N", "click NAME", "move NAME",
// "key esc|j|v|other", "enter", "mode PLAYERMODE" and returns a one-line summary after each
// "summary" line, and the players' standings after each "standings" line.
std::string Replay(Harness& h, const std::string& script) {
  std::istringstream lines(script);
  std::string summaries;
  std::string verb;
  while (lines >> verb) {
    if (verb == "summary") {
      char text[256];
      std::snprintf(text, sizeof text,
                    "scene=%d pairs=%d score=%d time=%d/%s won=%d lost=%d sel=%d best=%d,%d,%d\n",
                    int(h.state.scene), int(h.state.pairsFound), int(h.state.score),
                    int(h.state.timeLeft), h.state.timeText.Get().c_str(), int(h.state.won),
                    int(h.state.lost), int(h.state.selectionCount), int(h.state.bestScore[0]),
                    int(h.state.bestScore[1]), int(h.state.bestScore[2]));
      summaries += text;
      continue;
    }
    if (verb == "standings") {
      const Players& p = h.state.players;
      char text[256];
      std::snprintf(text, sizeof text,
                    "players=%d turns=%d current=%d pairs=%d,%d,%d,%d clock=%d/%s finished=%d "
                    "winner=%d sel=%d score=%d\n",
                    int(p.count), int(p.turns), int(p.current), int(p.pairs[0]), int(p.pairs[1]),
                    int(p.pairs[2]), int(p.pairs[3]), int(p.seconds),
                    h.state.timeText.Get().c_str(), int(p.finished), int(p.winner),
                    int(h.state.selectionCount), int(h.state.score));
      summaries += text;
      continue;
    }
    if (verb == "enter") {
      OnOK(h.state);
      continue;
    }
    std::string argument;
    lines >> argument;
    if (verb == "key") {
      h.Key(argument == "esc" ? Key::Escape
            : argument == "j" ? Key::J
            : argument == "v" ? Key::V
            : argument == "p" ? Key::Pause
                              : Key::Other);
      continue;
    }
    const int n = std::stoi(argument);
    if (verb == "tick") {
      for (int i = 0; i < n; ++i) h.Tick();
    } else if (verb == "second") {
      for (int i = 0; i < n; ++i) h.Second();
    } else if (verb == "spin") {
      for (int i = 0; i < n; ++i) h.Spin();
    } else if (verb == "click") {
      h.Click(static_cast<uint32_t>(n));
    } else if (verb == "move") {
      h.Move(static_cast<uint32_t>(n));
    } else if (verb == "mode") {
      h.state.playerMode = static_cast<int8_t>(n);
    } else {
      ADD_FAILURE() << "unknown replay verb " << verb;
    }
  }
  return summaries;
}

// The easy board that the game's generator deals after reseeding with the replay's clock, as
// names (box index + 1) per face:
//   face 0: 1 3 6 16 28 32     face 1: 2 4 8 12 22 25     face 2: 9 15 23 27 34 36
//   face 3: 10 13 14 17 20 24  face 4: 5 11 21 29 33 35   face 5: 7 18 19 26 30 31
TEST(Replay, AWonEasyBoardALostNormalBoardAndTheHiddenPicture) {
  Harness h;
  h.now = 1700000000;
  h.state.bestScore[0] = 1000;
  const std::string script = R"(
    tick 1 tick 3 click 2 tick 1
    summary
    tick 1 second 1
    click 1 click 3 tick 1
    summary
    second 2
    click 2 click 9 tick 1
    click 2 click 2
    click 2 click 4 tick 1
    click 10 click 5 click 11 tick 1
    summary
    second 10
    click 6 click 16 tick 1   click 28 click 32 tick 1
    click 8 click 12 tick 1   click 22 click 25 tick 1
    click 9 click 15 tick 1   click 23 click 27 tick 1   click 34 click 36 tick 1
    click 10 click 13 tick 1  click 14 click 17 tick 1   click 20 click 24 tick 1
    click 5 click 11 tick 1   click 21 click 29 tick 1   click 33 click 35 tick 1
    click 7 click 18 tick 1   click 19 click 26 tick 1   click 30 click 31 tick 1
    summary
    second 3 click 1 tick 5
    summary
    key esc tick 1 tick 10
    click 3 tick 1 tick 1
    second 299
    summary
    second 1
    summary
    second 1 tick 1
    summary
    click 65 tick 1
    click 6 key j key other key v enter
    summary
    key esc enter key esc click 1 tick 1
    summary
  )";
  EXPECT_EQ(Replay(h, script),
            "scene=3 pairs=0 score=0 time=120/ won=0 lost=0 sel=0 best=1000,0,0\n"
            "scene=3 pairs=1 score=119 time=119/119 won=0 lost=0 sel=0 best=1000,0,0\n"
            "scene=3 pairs=2 score=236 time=117/117 won=0 lost=0 sel=0 best=1000,0,0\n"
            "scene=3 pairs=18 score=1948 time=107/107 won=1 lost=0 sel=3 best=1948,0,0\n"
            "scene=3 pairs=18 score=1948 time=107/107 won=1 lost=0 sel=3 best=1948,0,0\n"
            "scene=5 pairs=0 score=0 time=1/1 won=0 lost=0 sel=0 best=1948,0,0\n"
            "scene=5 pairs=0 score=0 time=-1/0 won=0 lost=1 sel=3 best=1948,0,0\n"
            "scene=5 pairs=0 score=0 time=-1/-1 won=0 lost=1 sel=3 best=1948,0,0\n"
            "scene=10 pairs=0 score=0 time=-1/-1 won=0 lost=1 sel=3 best=1948,0,0\n"
            "scene=1 pairs=0 score=0 time=-1/-1 won=0 lost=1 sel=3 best=1948,0,0\n");
  EXPECT_EQ(h.state.bestText.Get(), "0");
  EXPECT_EQ(h.pauses, 18 + 2 + 1 + 1);  // pairs, mismatches, the win, the loss
}


// A deck of words and their pictures: two alike cards of one face are no pair; each word with its
// picture is. The script is written from the board dealt, as a player who knows it would play.
TEST(Replay, AGameOfWordsAndPicturesPlaysToItsEnd) {
  Harness h;
  h.now = 1700000000;  // the easy board above, its cards now alternating word and picture
  h.state.shuffledFaces = true;
  h.state.setPictureCount = 8;
  h.state.twoKindCards = true;
  h.state.cardSounds = true;
  EXPECT_EQ(Replay(h, "tick 1 tick 3 click 2 tick 1 summary"),
            "scene=3 pairs=0 score=0 time=120/ won=0 lost=0 sel=0 best=0,0,0\n");
  std::vector<int> cards[6][2];
  for (int i = 0; i < 36; ++i)
    cards[h.state.boxes[i].face][h.state.boxes[i].side].push_back(i + 1);
  // Face 0 is boxes 1 3 6 16 28 32: words at 1, 6, 28 and pictures at 3, 16, 32.
  EXPECT_EQ(cards[0][0], (std::vector<int>{1, 6, 28}));
  EXPECT_EQ(cards[0][1], (std::vector<int>{3, 16, 32}));
  std::string script = "second 1 click 1 click 6 tick 1 summary ";
  for (int face = 0; face < 6; ++face)
    for (std::size_t k = 0; k < 3; ++k)
      script += "click " + std::to_string(cards[face][0][k]) + " click " +
                std::to_string(cards[face][1][k]) + " tick 1 ";
  script += "summary";
  EXPECT_EQ(Replay(h, script),
            "scene=3 pairs=0 score=0 time=119/119 won=0 lost=0 sel=0 best=0,0,0\n"
            "scene=3 pairs=18 score=2142 time=119/119 won=1 lost=0 sel=3 best=2142,0,0\n");
  EXPECT_EQ(h.state.misses, 1);
  // Every card opened asked for its own sound, the last one the last card's.
  const std::vector<SoundRequest> requests = h.RequestList();
  EXPECT_EQ(std::count(requests.begin(), requests.end(), SoundRequest::playCard), 2 + 36);
  EXPECT_EQ(h.state.cardSound, CardPicture(h.state, cards[5][1][2] - 1));
  for (int i = 0; i < 36; ++i)
    EXPECT_EQ(CardPicture(h.state, i), 2 * h.state.facePicture[h.state.boxes[i].face] +
                                           h.state.boxes[i].side);
}

// The pause: the clock, the colours and a pair waiting to be judged all wait; the key or click
// that ends it does nothing else; the game given up afterwards is reported with what it reached.
TEST(Replay, APausedBoardWaitsWholeAndResumesWhereItStopped) {
  Harness h;
  h.now = 1700000000;  // the board dealt in the replay above
  EXPECT_EQ(Replay(h, "tick 1 tick 3 click 2 tick 1 second 1 click 1 click 2 key p summary"),
            "scene=3 pairs=0 score=0 time=119/119 won=0 lost=0 sel=2 best=0,0,0\n");
  EXPECT_TRUE(h.state.paused);
  const std::string before = testing::Dump(h.state);
  const int draws = h.random.draws;
  Replay(h, "tick 300 second 30 spin 10");
  EXPECT_EQ(testing::Dump(h.state), before) << "a tick changed the paused board";
  Replay(h, "move 5");
  EXPECT_FALSE(h.state.boxes[4].hover) << "a box lit up under the paused panel";
  EXPECT_EQ(h.random.draws, draws);
  EXPECT_EQ(h.pauses, 0) << "the waiting pair was judged while paused";

  // A click resumes and opens nothing; the pair is judged on the next tick.
  EXPECT_EQ(Replay(h, "click 5 summary tick 1 summary"),
            "scene=3 pairs=0 score=0 time=119/119 won=0 lost=0 sel=2 best=0,0,0\n"
            "scene=3 pairs=0 score=0 time=119/119 won=0 lost=0 sel=0 best=0,0,0\n");
  EXPECT_FALSE(h.state.paused);
  EXPECT_FALSE(h.state.boxes[4].open);
  EXPECT_EQ(h.state.misses, 1);

  // Pause again; Escape only resumes. The second Escape gives the game up.
  EXPECT_EQ(Replay(h, "second 1 click 1 click 3 tick 1 key p key esc second 1 summary"),
            "scene=3 pairs=1 score=118 time=117/117 won=0 lost=0 sel=0 best=0,0,0\n");
  EXPECT_TRUE(h.state.results.TakeAll().empty());
  Replay(h, "key esc key esc");
  const std::vector<GameResult> results = h.state.results.TakeAll();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].outcome, Outcome::gaveUp);
  EXPECT_EQ(results[0].level, Level::easy);
  EXPECT_EQ(results[0].score, 118);
  EXPECT_EQ(results[0].secondsUsed, 3);
  EXPECT_EQ(results[0].pairs, 1);
  EXPECT_EQ(results[0].misses, 1);
  EXPECT_EQ(h.RequestList().back(), SoundRequest::playMenuMusic);
}

// Each game is reported once: a loss, a board left without a click (nothing), and a pause that
// never happens outside a board in play.
TEST(Replay, EveryEndOfAGameIsReportedOnce) {
  Harness h;
  Replay(h, "tick 1 tick 3 click 2 tick 1 key esc tick 1 tick 1 click 2 tick 1 second 120");
  EXPECT_TRUE(h.state.lost);
  Replay(h, "key p");
  EXPECT_FALSE(h.state.paused) << "a lost board paused";
  Replay(h, "key esc tick 1 tick 1 key p");
  EXPECT_FALSE(h.state.paused) << "the menu paused";
  const std::vector<GameResult> results = h.state.results.TakeAll();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].outcome, Outcome::lost);
  EXPECT_EQ(results[0].secondsUsed, 120);

  // Leaving in the half second between the end and its sound leaves a game that is decided: it is
  // reported as it ended, never as given up.
  Harness lost;
  lost.onPause = [&] {
    if (lost.state.lost) lost.Click(37);  // back
  };
  Replay(lost, "tick 1 tick 3 click 2 tick 1 click 1 second 120");
  Harness won;
  won.onPause = [&] {
    if (won.state.won) won.Key(Key::Escape);
  };
  Replay(won, R"(
    tick 1 tick 3 click 2 tick 1
    click 1 click 3 tick 1   click 6 click 16 tick 1   click 28 click 32 tick 1
    click 2 click 4 tick 1   click 8 click 12 tick 1   click 22 click 25 tick 1
    click 9 click 15 tick 1  click 23 click 27 tick 1  click 34 click 36 tick 1
    click 10 click 13 tick 1 click 14 click 17 tick 1  click 20 click 24 tick 1
    click 5 click 11 tick 1  click 21 click 29 tick 1  click 33 click 35 tick 1
    click 7 click 18 tick 1  click 19 click 26 tick 1  click 30 click 31 tick 1
  )");
  for (Harness* left : {&lost, &won}) {
    EXPECT_EQ(left->state.scene, SCENE_MENU_ENTER) << "the click or key left the board";
    const std::vector<GameResult> ended = left->state.results.TakeAll();
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].outcome, left == &won ? Outcome::won : Outcome::lost);
  }
}

// Two players on the same easy board: turns pass on a miss and stay on a pair; the clock counts up
// and stops at the end; the best score of the level is not touched.
TEST(Replay, TwoPlayersTakeTurnsToTheEnd) {
  Harness h;
  h.now = 1700000000;
  h.state.bestScore[0] = 1000;
  const std::string script = R"(
    mode 2
    tick 1 tick 3 click 2 tick 1
    standings
    click 1 click 3 tick 1
    click 6 click 2 tick 1
    standings
    click 2 click 4 tick 1   click 8 click 12 tick 1
    click 9 click 10 tick 1
    second 5
    standings
    click 6 click 16 tick 1   click 28 click 32 tick 1   click 22 click 25 tick 1
    click 9 click 15 tick 1   click 23 click 10 tick 1
    click 23 click 27 tick 1  click 34 click 36 tick 1   click 10 click 13 tick 1
    click 14 click 17 tick 1  click 20 click 24 tick 1   click 5 click 11 tick 1
    click 21 click 29 tick 1  click 33 click 35 tick 1   click 7 click 18 tick 1
    second 2
    click 19 click 26 tick 1  click 30 click 31 tick 1
    standings
    summary
    second 3 click 1 tick 1
    standings
    key esc tick 1 tick 1
    summary
  )";
  EXPECT_EQ(Replay(h, script),
            "players=2 turns=1 current=0 pairs=0,0,0,0 clock=0/0 finished=0 winner=-1 sel=0 "
            "score=0\n"
            "players=2 turns=2 current=1 pairs=1,0,0,0 clock=0/0 finished=0 winner=-1 sel=0 "
            "score=0\n"
            "players=2 turns=3 current=0 pairs=1,2,0,0 clock=5/5 finished=0 winner=-1 sel=0 "
            "score=0\n"
            "players=2 turns=4 current=1 pairs=5,13,0,0 clock=7/7 finished=1 winner=1 sel=3 "
            "score=0\n"
            "scene=3 pairs=18 score=0 time=120/7 won=0 lost=0 sel=3 best=1000,0,0\n"
            "players=2 turns=4 current=1 pairs=5,13,0,0 clock=7/7 finished=1 winner=1 sel=3 "
            "score=0\n"
            "scene=1 pairs=18 score=0 time=120/7 won=0 lost=0 sel=3 best=1000,0,0\n");
  EXPECT_EQ(h.pauses, 18 + 3 + 1);  // pairs, misses, the end
  EXPECT_EQ(std::count(h.requests.begin(), h.requests.end(),
                       testing::SeenRequest{SoundRequest::playWin, SCENE_EASY}),
            1);
  // The history hears of it once: the second player won, so the first lost.
  const std::vector<GameResult> results = h.state.results.TakeAll();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].outcome, Outcome::lost);
  EXPECT_EQ(results[0].playerMode, twoPlayers);
  EXPECT_EQ(results[0].pairs, 5);
  EXPECT_EQ(results[0].misses, 3);
  EXPECT_EQ(results[0].secondsUsed, 7);
}

}  // namespace
}  // namespace game
