#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "test_support.h"
#include "game/choices.h"
#include "game/mode.h"

namespace game {
namespace {

using testing::BoxesWithFace;
using testing::DealThroughTick;
using testing::Dump;
using testing::Harness;

// --- Menu -------------------------------------------------------------------------------------

TEST(MenuEntry, ResetsTheMenuReseedsAndMovesOnNextTick) {
  Harness h;
  h.state.escCount = 2;
  h.state.bestText.Set("00123");
  h.now = 1234567;

  h.Tick();

  EXPECT_EQ(h.state.bestText.Get(), "0");
  EXPECT_EQ(h.state.escCount, 0);
  EXPECT_EQ(h.random.seeds, std::vector<uint32_t>{1234567u});
  EXPECT_EQ(h.random.draws, 0);
  EXPECT_EQ(h.state.scene, SCENE_MENU);
}

// The stars as TimerThread leaves them: star k at alpha 5k, fading out.
void SeedStars(GameState& state) {
  for (int k = 0; k < kStarCount; ++k) state.stars[k].alpha = static_cast<uint8_t>(5 * k);
}

TEST(MenuStars, AreRebornOnePerTickAtFirstWithFiveDraws) {
  Harness h;
  SeedStars(h.state);
  h.state.scene = SCENE_MENU;
  h.random.Script({300, 20, 513, 699, 539});

  h.Tick();
  const Star& first = h.state.stars[0];
  EXPECT_EQ(first.r, 300 % 256);
  EXPECT_EQ(first.g, 20);
  EXPECT_EQ(first.b, 1);
  EXPECT_FLOAT_EQ(first.x, 3.49f);
  EXPECT_FLOAT_EQ(first.y, 2.69f);
  EXPECT_TRUE(first.fadeIn);
  EXPECT_EQ(first.alpha, 5);
  EXPECT_EQ(h.state.stars[1].alpha, 0);
  EXPECT_FALSE(h.state.stars[1].fadeIn);
  EXPECT_EQ(h.state.stars[49].alpha, 240);
  EXPECT_EQ(h.random.draws, 5);

  for (int tick = 2; tick <= 50; ++tick) {
    const int before = h.random.draws;
    h.Tick();
    EXPECT_EQ(h.random.draws - before, 5) << "tick " << tick;
    EXPECT_TRUE(h.state.stars[tick - 1].fadeIn);
  }
}

TEST(MenuStars, CycleEvery102TicksInStepsOfFive) {
  Harness h;
  SeedStars(h.state);
  h.state.scene = SCENE_MENU;
  std::vector<int> rebirths;
  for (int tick = 1; tick <= 320; ++tick) {
    const bool reborn = h.state.stars[0].alpha == 0;
    h.Tick();
    if (reborn) rebirths.push_back(tick);
    for (const Star& star : h.state.stars) ASSERT_EQ(star.alpha % 5, 0);
    if (tick == 51) {
      EXPECT_EQ(h.state.stars[0].alpha, 255);
      EXPECT_FALSE(h.state.stars[0].fadeIn) << "cleared when it reaches 255";
    }
  }
  EXPECT_EQ(rebirths, (std::vector<int>{1, 103, 205, 307}));
}

TEST(MenuTitle, PassesMinusFiveOnThe100thTickThenSwingsBothWays) {
  Harness h;
  h.state.scene = SCENE_MENU;
  int passed = 0;
  for (int tick = 1; tick <= 100 && passed == 0; ++tick) {
    h.Tick();
    if (h.state.titleAngle < -5.0f) passed = tick;
  }
  EXPECT_EQ(passed, 100);
  EXPECT_TRUE(h.state.titleSwingUp);

  float lowest = 0, highest = 0;
  int turns = 0;
  bool up = h.state.titleSwingUp;
  for (int tick = 0; tick < 1000; ++tick) {
    h.Tick();
    lowest = std::min(lowest, float(h.state.titleAngle));
    highest = std::max(highest, float(h.state.titleAngle));
    if (h.state.titleSwingUp != up) {
      up = h.state.titleSwingUp;
      ++turns;
    }
  }
  EXPECT_GT(highest, 5.0f);
  EXPECT_LT(highest, 5.06f);
  EXPECT_LT(lowest, -5.0f);
  EXPECT_GT(lowest, -5.06f);
  EXPECT_EQ(turns, 5) << "one turn per 200 ticks";
}

TEST(Menu, SecondAndSpinTicksChangeNothing) {
  Harness h;
  h.state.scene = SCENE_MENU;
  const std::string before = Dump(h.state);
  h.Second();
  h.Spin();
  EXPECT_EQ(Dump(h.state), before);
  EXPECT_EQ(h.random.draws, 0);
}

// With less motion the title, the stars and the cubes keep still, and a tick asks for a new frame
// only when it changed what shows: the UI thread then sleeps between events.
TEST(LessMotion, StillScenesKeepStillAndAskForNoFrame) {
  Harness h;
  h.state.lessMotion = true;
  h.state.scene = SCENE_MENU;
  const std::string menu = Dump(h.state);
  for (int tick = 0; tick < 300; ++tick) h.Tick();
  h.Second();
  EXPECT_EQ(Dump(h.state), menu);
  EXPECT_EQ(h.random.draws, 0);
  EXPECT_EQ(h.state.shownChanges, 0u);
  h.state.lessMotion = false;
  h.Tick();
  EXPECT_EQ(h.state.shownChanges, 1u) << "full motion: every tick moves the menu";

  // The cubes stop turning; their colour still settles on its target, then nothing changes.
  h.state.lessMotion = true;
  h.state.scene = SCENE_ABOUT;
  h.state.cubeTargetColor[0] = 0.97f;
  h.state.cubeTargetColor[1] = 1.0f;
  h.state.cubeTargetColor[2] = 1.0f;
  for (int tick = 0; tick < 10; ++tick) h.Tick();
  EXPECT_EQ(h.state.cubeAngle[0], 0.0f);
  const uint32_t settled = h.state.shownChanges;
  EXPECT_GT(settled, 1u);
  h.Tick();
  EXPECT_EQ(h.state.shownChanges, settled);

  // A board waiting for a click looks the same from tick to tick; its clock changes each second.
  DealThroughTick(h, Level::easy);
  const uint32_t dealt = h.state.shownChanges;
  EXPECT_GT(dealt, settled);
  for (int tick = 0; tick < 50; ++tick) h.Tick();
  EXPECT_EQ(h.state.shownChanges, dealt);
  h.Second();
  EXPECT_EQ(h.state.shownChanges, dealt + 1);
}

// --- About screen -----------------------------------------------------------------------------

TEST(AboutColour, DriftsOneHundredthPerTickAndSettles) {
  Harness h;
  h.state.scene = SCENE_ABOUT;
  h.state.spinDirection = 99;  // no spin: only the colour moves
  h.random.Script({50, 7, 100});
  h.Second();
  EXPECT_FLOAT_EQ(h.state.cubeTargetColor[0], 0.50f);
  EXPECT_FLOAT_EQ(h.state.cubeTargetColor[1], 0.07f);
  EXPECT_FLOAT_EQ(h.state.cubeTargetColor[2], 1.00f);

  float previous[3] = {1, 1, 1};
  for (int tick = 0; tick < 100; ++tick) {
    h.Tick();
    for (int c = 0; c < 3; ++c) {
      EXPECT_LE(std::fabs(h.state.cubeColor[c] - previous[c]), 0.0101f);
      previous[c] = h.state.cubeColor[c];
    }
  }
  for (int c = 0; c < 3; ++c)
    EXPECT_NEAR(h.state.cubeColor[c], h.state.cubeTargetColor[c], 0.0101f) << "channel " << c;
  EXPECT_FLOAT_EQ(h.state.cubeColor[2], 1.0f) << "an equal channel never moves";

  // Settled: further ticks leave the colour where it is.
  const float settled[3] = {h.state.cubeColor[0], h.state.cubeColor[1], h.state.cubeColor[2]};
  for (int tick = 0; tick < 50; ++tick) h.Tick();
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(h.state.cubeColor[c], settled[c], 1e-6f);
}

TEST(AboutColour, AStepUpPastTheTargetIsUndoneInTheSameTick) {
  Harness h;
  h.state.scene = SCENE_ABOUT;
  h.state.spinDirection = -1;
  h.state.cubeColor[0] = 0.5f;
  h.state.cubeTargetColor[0] = 0.505f;
  h.state.cubeColor[1] = 0.5f;
  h.state.cubeTargetColor[1] = 0.8f;
  h.state.cubeColor[2] = 0.5f;
  h.state.cubeTargetColor[2] = 0.2f;
  h.Tick();
  EXPECT_NEAR(h.state.cubeColor[0], 0.5f, 1e-6f);
  EXPECT_NEAR(h.state.cubeColor[1], 0.51f, 1e-6f);
  EXPECT_NEAR(h.state.cubeColor[2], 0.49f, 1e-6f);
}

TEST(AboutSpin, FollowsTheSignTableWhereTwoAndFourTurnAlike) {
  const int signs[8][3] = {{+1, +1, +1}, {-1, -1, -1}, {+1, -1, -1}, {+1, +1, -1},
                           {+1, -1, -1}, {-1, +1, -1}, {-1, +1, +1}, {-1, -1, +1}};
  for (int direction = 0; direction < 8; ++direction) {
    Harness h;
    h.state.scene = SCENE_ABOUT;
    h.state.cubeTargetColor[0] = 1.0f;
    h.state.cubeTargetColor[1] = 1.0f;
    h.state.cubeTargetColor[2] = 1.0f;
    h.state.spinDirection = direction;
    for (int tick = 0; tick < 10; ++tick) h.Tick();
    for (int axis = 0; axis < 3; ++axis)
      EXPECT_NEAR(h.state.cubeAngle[axis], 2.0f * static_cast<float>(signs[direction][axis]),
                  1e-4f)
          << "direction " << direction << " axis " << axis;
  }
}

TEST(AboutSpin, DirectionsOutsideTheTableLeaveTheAnglesAlone) {
  for (int direction : {-1, 8, 100}) {
    Harness h;
    h.state.scene = SCENE_ABOUT;
    h.state.spinDirection = direction;
    h.Tick();
    for (int axis = 0; axis < 3; ++axis) EXPECT_EQ(h.state.cubeAngle[axis], 0.0f);
  }
}

TEST(AboutSpin, AnglesAreNeverWrapped) {
  Harness h;
  h.state.scene = SCENE_ABOUT;
  for (int tick = 0; tick < 2000; ++tick) h.Tick();
  EXPECT_NEAR(h.state.cubeAngle[0], 400.0f, 0.5f);
}

TEST(SpinTick, DrawsADirectionOnlyOnTheAboutScreen) {
  Harness h;
  h.random.Script({13, 6});
  h.state.scene = SCENE_ABOUT;
  h.Spin();
  EXPECT_EQ(h.state.spinDirection, 5);
  h.state.scene = SCENE_README;
  h.Spin();
  EXPECT_EQ(h.state.spinDirection, 5);
  EXPECT_EQ(h.random.draws, 1);
}

TEST(Ticks, ReadmeHiddenPictureAndUnknownScenesAreUntouched) {
  for (int scene : {int(SCENE_README), int(SCENE_HIDDEN_PICTURE), 11, -1, 127}) {
    Harness h;
    DealThroughTick(h, Level::easy);
    h.state.selectionCount = 2;  // a try that must not be judged here
    h.state.spinDirection = 3;
    h.state.cubeTargetColor[0] = 0.2f;
    h.state.scene = static_cast<int8_t>(scene);
    const int draws = h.random.draws;
    const std::string before = Dump(h.state);
    for (int i = 0; i < 5; ++i) {
      h.Tick();
      h.Second();
      h.Spin();
    }
    EXPECT_EQ(Dump(h.state), before) << "scene " << scene;
    EXPECT_EQ(h.random.draws, draws);
    EXPECT_EQ(h.pauses, 0);
  }
}

// --- Boards -----------------------------------------------------------------------------------

TEST(SetupTick, DealsAndDoesNothingElse) {
  Harness h;
  DealThroughTick(h, Level::normal);
  EXPECT_EQ(h.state.scene, SCENE_NORMAL);
  EXPECT_EQ(h.state.scoreText.Get(), "0000") << "the play tick has not run yet";
  h.Tick();
  EXPECT_EQ(h.state.scoreText.Get(), "0");
}

TEST(PlayTick, DrawsTheMessageColourBlueGreenRed) {
  Harness h;
  DealThroughTick(h, Level::easy);
  h.random.Script({10, 20, 130});
  h.Tick();
  EXPECT_FLOAT_EQ(h.state.messageColor[2], 0.10f);
  EXPECT_FLOAT_EQ(h.state.messageColor[1], 0.20f);
  EXPECT_FLOAT_EQ(h.state.messageColor[0], 0.29f);
}

class PlayedTries : public ::testing::Test {
 protected:
  void SetUp() override {
    DealThroughTick(h, Level::easy);
    h.ClearRequests();
  }
  void Open(int box) { h.Click(static_cast<uint32_t>(box + 1)); }

  Harness h;
  const LevelParams& easy = ParamsOf(Level::easy);
};

TEST_F(PlayedTries, AMismatchClosesEveryBoxAndScoresNothing) {
  const int a = BoxesWithFace(h.state, easy, 1)[0];
  const int c = BoxesWithFace(h.state, easy, 2)[0];
  Open(a);
  Open(c);
  ASSERT_EQ(h.state.selectionCount, 2);
  int other = 0;
  while (other == a || other == c) ++other;
  h.state.boxes[other].open = true;  // any open box of the level is closed too
  h.ClearRequests();

  h.Tick();

  EXPECT_EQ(h.RequestList(), std::vector<SoundRequest>{SoundRequest::playError});
  EXPECT_EQ(h.pauses, 1);
  for (int i = 0; i < easy.boxCount; ++i) {
    EXPECT_FALSE(h.state.boxes[i].open);
    EXPECT_TRUE(h.state.boxes[i].present);
  }
  EXPECT_EQ(h.state.selectionCount, 0);
  EXPECT_EQ(h.state.pairsFound, 0);
  EXPECT_EQ(h.state.score, 0);
}

TEST_F(PlayedTries, AMatchRemovesThePairAndScoresTheSecondsLeft) {
  const std::vector<int> ones = BoxesWithFace(h.state, easy, 1);
  const std::vector<int> twos = BoxesWithFace(h.state, easy, 2);
  for (int i = 0; i < 3; ++i) h.Second();
  ASSERT_EQ(h.state.timeLeft, 117);

  Open(ones[0]);
  Open(ones[1]);
  Open(ones[2]);  // a third box cannot open while two are
  EXPECT_FALSE(h.state.boxes[ones[2]].open);
  EXPECT_EQ(h.state.selectionCount, 2);
  h.ClearRequests();
  h.Tick();

  EXPECT_EQ(h.RequestList(), std::vector<SoundRequest>{SoundRequest::playBingo});
  EXPECT_EQ(h.state.pairsFound, 1);
  EXPECT_EQ(h.state.score, 117);
  EXPECT_EQ(h.state.scoreText.Get(), "117");
  EXPECT_FALSE(h.state.boxes[ones[0]].present);
  EXPECT_FALSE(h.state.boxes[ones[1]].present);
  EXPECT_TRUE(h.state.boxes[ones[0]].open) << "a match leaves open set";
  EXPECT_EQ(h.state.selectionCount, 0);

  for (int i = 0; i < 7; ++i) h.Second();
  Open(twos[0]);
  Open(twos[1]);
  h.Tick();
  EXPECT_EQ(h.state.score, 117 + 110);
  EXPECT_EQ(h.state.pairsFound, 2);

  // The next mismatch clears the stale open flags of the removed boxes as well.
  Open(ones[2]);
  Open(twos[2]);
  h.Tick();
  EXPECT_FALSE(h.state.boxes[ones[0]].open);
  EXPECT_FALSE(h.state.boxes[ones[0]].present);
  EXPECT_EQ(h.state.score, 227);
}

TEST_F(PlayedTries, TheSoundIsRequestedBeforeThePauseAndThePairRemovedAfter) {
  const std::vector<int> ones = BoxesWithFace(h.state, easy, 1);
  Open(ones[0]);
  Open(ones[1]);
  bool checked = false;
  h.onPause = [&] {
    checked = true;
    EXPECT_TRUE(IsSoundRequested(h.state, SoundRequest::playBingo));
    EXPECT_TRUE(h.state.boxes[ones[0]].present) << "both pictures stay during the pause";
    EXPECT_EQ(h.state.selectionCount, 2);
  };
  h.Tick();
  EXPECT_TRUE(checked);

  const int c = BoxesWithFace(h.state, easy, 2)[0];
  Open(ones[2]);
  Open(c);
  checked = false;
  h.onPause = [&] {
    checked = true;
    EXPECT_TRUE(IsSoundRequested(h.state, SoundRequest::playError));
    EXPECT_TRUE(h.state.boxes[c].open);
  };
  h.Tick();
  EXPECT_TRUE(checked);
}

TEST_F(PlayedTries, TheTryIsJudgedWithThePicksReadAtItsStart) {
  const std::vector<int> ones = BoxesWithFace(h.state, easy, 1);
  const int c = BoxesWithFace(h.state, easy, 2)[0];
  Open(ones[0]);
  Open(c);
  h.onPause = [&] { h.state.secondPick = static_cast<uint8_t>(ones[1]); };
  h.Tick();
  EXPECT_EQ(h.state.pairsFound, 0) << "the picks are not read again after the pause";
}

class Wins : public ::testing::TestWithParam<Level> {};

// Plays the whole board pair by pair, one second between tries.
void PlayToTheEnd(Harness& h, const LevelParams& params) {
  for (int face = 0; face < params.faceCount; ++face) {
    std::vector<int> boxes = BoxesWithFace(h.state, params, face);
    ASSERT_EQ(boxes.size(), static_cast<std::size_t>(params.copiesPerFace));
    for (std::size_t i = 0; i + 1 < boxes.size(); i += 2) {
      h.Second();
      h.Click(static_cast<uint32_t>(boxes[i] + 1));
      h.Click(static_cast<uint32_t>(boxes[i + 1] + 1));
      h.Tick();
    }
  }
}

TEST_P(Wins, TheLastPairWinsAndRaisesTheBestScoreOnlyWhenBeaten) {
  const LevelParams& params = ParamsOf(GetParam());
  // Pair p is removed with timeLimit - (p + 1) seconds left.
  int32_t expected = 0;
  for (int p = 0; p < params.pairsToWin; ++p) expected += params.timeLimit - (p + 1);

  for (int32_t best : {expected - 1, expected, expected + 1}) {
    Harness h;
    h.state.bestScore[0] = 5;
    h.state.bestScore[1] = 5;
    h.state.bestScore[2] = 5;
    h.state.bestScore[params.bestScoreSlot] = best;
    DealThroughTick(h, GetParam());
    int pausesBeforeWin = -1;
    h.onPause = [&] {
      if (h.state.won && pausesBeforeWin < 0) {
        pausesBeforeWin = h.pauses;
        EXPECT_EQ(h.state.selectionCount, 3) << "the board is blocked before the pause";
        EXPECT_FALSE(IsSoundRequested(h.state, SoundRequest::playWin));
        EXPECT_EQ(h.state.bestScore[params.bestScoreSlot], best);
      }
    };
    PlayToTheEnd(h, params);
    EXPECT_EQ(h.bestScoreSaves, best < expected ? 1 : 0) << "saved at once only when beaten";

    EXPECT_TRUE(h.state.won);
    EXPECT_FALSE(h.state.lost);
    EXPECT_EQ(h.state.pairsFound, params.pairsToWin);
    EXPECT_EQ(h.state.score, expected);
    EXPECT_EQ(h.state.selectionCount, 3);
    EXPECT_EQ(pausesBeforeWin, params.pairsToWin + 1) << "one pause per pair, then the win's";
    EXPECT_EQ(h.requests.back().request, SoundRequest::playWin);
    EXPECT_EQ(h.state.bestScore[params.bestScoreSlot], std::max(best, expected));
    for (int slot = 0; slot < 3; ++slot)
      if (slot != params.bestScoreSlot) {
        EXPECT_EQ(h.state.bestScore[slot], 5);
      }

    // After the win: the countdown stops, the boxes stay shut, nothing is judged again.
    const int32_t timeLeft = h.state.timeLeft;
    h.Second();
    EXPECT_EQ(h.state.timeLeft, timeLeft);
    EXPECT_EQ(h.state.timeText.Get(), std::to_string(timeLeft));
    const int pauses = h.pauses;
    h.Click(1);
    h.Tick();
    EXPECT_EQ(h.pauses, pauses);
    EXPECT_EQ(h.state.selectionCount, 3);
  }

  // The relaxed clock: no countdown, the time counts up, pairs score 100 each, the board shows
  // and reports its own records and leaves the score file's best alone.
  Harness h;
  h.state.clockChoice = relaxed;
  h.state.bestScore[params.bestScoreSlot] = 0;
  h.state.relaxedBest[params.bestScoreSlot] = 777;
  DealThroughTick(h, GetParam());
  EXPECT_EQ(h.state.bestText.Get(), "00777");
  EXPECT_EQ(h.state.timeText.Get(), "0");
  PlayToTheEnd(h, params);
  EXPECT_TRUE(h.state.won);
  EXPECT_EQ(h.state.score, params.pairsToWin * kRelaxedPairScore);
  EXPECT_EQ(h.state.timeLeft, params.timeLimit);
  EXPECT_EQ(h.state.players.seconds, params.pairsToWin);
  EXPECT_EQ(h.bestScoreSaves, 0);
  EXPECT_EQ(h.state.bestScore[params.bestScoreSlot], 0);
  const std::vector<GameResult> results = h.state.results.TakeAll();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].clock, relaxed);
  EXPECT_EQ(results[0].secondsUsed, params.pairsToWin);
}

INSTANTIATE_TEST_SUITE_P(Levels, Wins, ::testing::Values(Level::easy, Level::normal, Level::hard));

TEST(SecondTickBoard, ColoursEveryBoxOfTheLevelInIndexOrder) {
  Harness h;
  DealThroughTick(h, Level::easy);
  h.state.boxes[3].present = false;
  h.state.boxes[36].r = 0.77f;
  std::vector<int> script;
  for (int i = 0; i < 36 * 3; ++i) script.push_back(i);
  h.random.Script(script);
  h.Second();
  for (int i = 0; i < 36; ++i) {
    EXPECT_FLOAT_EQ(h.state.boxes[i].r, static_cast<float>(3 * i % 101) * 0.01f);
    EXPECT_FLOAT_EQ(h.state.boxes[i].g, static_cast<float>((3 * i + 1) % 101) * 0.01f);
    EXPECT_FLOAT_EQ(h.state.boxes[i].b, static_cast<float>((3 * i + 2) % 101) * 0.01f);
  }
  EXPECT_EQ(h.state.boxes[36].r, 0.77f);
  EXPECT_EQ(h.state.timeLeft, 119);
  EXPECT_EQ(h.state.timeText.Get(), "119");
}

TEST(SecondTickBoard, TheLossShowsZeroThenMinusOneAndHappensOnce) {
  Harness h;
  DealThroughTick(h, Level::hard);
  const LevelParams& hard = ParamsOf(Level::hard);
  const std::vector<int> ones = BoxesWithFace(h.state, hard, 1);
  const int c = BoxesWithFace(h.state, hard, 2)[0];
  h.state.timeLeft = 2;
  h.Second();
  EXPECT_EQ(h.state.timeText.Get(), "1");
  EXPECT_FALSE(h.state.lost);

  // A try left waiting when the time runs out is never judged.
  h.Click(static_cast<uint32_t>(ones[0] + 1));
  h.Click(static_cast<uint32_t>(c + 1));
  h.ClearRequests();
  bool checked = false;
  h.onPause = [&] {
    checked = true;
    EXPECT_TRUE(h.state.lost);
    EXPECT_EQ(h.state.selectionCount, 3);
    EXPECT_EQ(h.state.timeLeft, -1);
    EXPECT_FALSE(IsSoundRequested(h.state, SoundRequest::playLose));
  };
  h.Second();
  EXPECT_TRUE(checked);
  EXPECT_EQ(h.state.timeText.Get(), "0");
  EXPECT_EQ(h.RequestList(), std::vector<SoundRequest>{SoundRequest::playLose});

  h.ClearRequests();
  for (int i = 0; i < 5; ++i) {
    h.Second();
    h.Tick();
  }
  EXPECT_EQ(h.state.timeText.Get(), "-1");
  EXPECT_EQ(h.state.timeLeft, -1);
  EXPECT_EQ(h.pauses, 1) << "no second loss, no judging";
  EXPECT_TRUE(h.requests.empty());
  EXPECT_FALSE(h.state.won);
  EXPECT_TRUE(h.state.boxes[c].open);
  EXPECT_EQ(h.state.pairsFound, 0);
}

TEST(SecondTickBoard, ALeftTryIsNeverJudgedAndTheNextDealResetsIt) {
  Harness h;
  DealThroughTick(h, Level::easy);
  const LevelParams& easy = ParamsOf(Level::easy);
  h.Click(static_cast<uint32_t>(BoxesWithFace(h.state, easy, 1)[0] + 1));
  h.Click(static_cast<uint32_t>(BoxesWithFace(h.state, easy, 1)[1] + 1));
  h.Key(Key::Escape);
  h.Tick();  // menu entry
  EXPECT_EQ(h.state.selectionCount, 2);
  EXPECT_EQ(h.state.pairsFound, 0);
  h.Click(2);  // easy button
  h.Tick();
  EXPECT_EQ(h.state.selectionCount, 0);
  EXPECT_EQ(h.pauses, 0);
}

}  // namespace
}  // namespace game
