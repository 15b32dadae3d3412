#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "game/deal.h"
#include "test_support.h"

namespace game {
namespace {

using testing::Harness;

// Marks every box so that the deal's writes and non-writes are both visible.
void MarkBoxes(GameState& state) {
  for (int i = 0; i < kBoxCapacity; ++i) {
    Box& box = state.boxes[i];
    box.face = 9;
    box.open = true;
    box.hover = true;
    box.present = false;
    box.r = static_cast<float>(i) * 0.01f;
    box.g = 0.5f;
    box.b = 0.25f;
  }
}

class DealEveryLevel : public ::testing::TestWithParam<Level> {};

TEST_P(DealEveryLevel, PlacesEveryFaceExactlyCopiesPerFaceTimesOverManySeeds) {
  const LevelParams& params = ParamsOf(GetParam());
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    auto state = std::make_unique<GameState>();
    MarkBoxes(*state);
    LcgRandom random(seed);
    DealBoard(*state, GetParam(), random);

    std::array<int, 10> counts{};
    for (int i = 0; i < params.boxCount; ++i) {
      const Box& box = state->boxes[i];
      ASSERT_GE(box.face, 0);
      ASSERT_LT(box.face, params.faceCount);
      ++counts[box.face];
      ASSERT_TRUE(box.present);
      ASSERT_FALSE(box.open);
      ASSERT_FALSE(box.hover);
      ASSERT_EQ(box.b, 1.0f);
      ASSERT_EQ(box.r, static_cast<float>(i) * 0.01f) << "red is kept";
      ASSERT_EQ(box.g, 0.5f) << "green is kept";
    }
    for (int face = 0; face < params.faceCount; ++face)
      ASSERT_EQ(counts[face], params.copiesPerFace) << "seed " << seed << " face " << face;
    for (int i = params.boxCount; i < kBoxCapacity; ++i) {
      const Box& box = state->boxes[i];
      ASSERT_EQ(box.face, 9);
      ASSERT_TRUE(box.open && box.hover && !box.present);
      ASSERT_EQ(box.b, 0.25f) << "boxes past the level are never touched";
    }
  }
}

TEST_P(DealEveryLevel, ResetsTheLevelAndPublishesThePlayScene) {
  const LevelParams& params = ParamsOf(GetParam());
  Harness h;
  GameState& s = h.state;
  s.scene = params.setupScene;
  s.won = true;
  s.lost = true;
  s.timeLeft = -1;
  s.selectionCount = 3;
  s.pairsFound = 7;
  s.score = 999;
  s.scoreText.Set("999");
  s.timeText.Set("-1");
  s.messageColor[0] = 0.3f;
  s.bestScore[params.bestScoreSlot] = 42;

  DealBoard(s, GetParam(), h.random);

  EXPECT_EQ(s.scene.load(std::memory_order_acquire), params.playScene);
  EXPECT_FALSE(s.won);
  EXPECT_FALSE(s.lost);
  EXPECT_EQ(s.timeLeft, params.timeLimit);
  EXPECT_EQ(s.selectionCount, 0);
  EXPECT_EQ(s.pairsFound, 0);
  EXPECT_EQ(s.score, 0);
  EXPECT_EQ(s.scoreText.Get(), "0000");
  EXPECT_EQ(s.bestText.Get(), "00042");
  EXPECT_EQ(s.timeText.Get(), "-1") << "the next SecondTick rewrites it";
  EXPECT_EQ(s.messageColor[0], 0.3f);
  EXPECT_TRUE(h.requests.empty());
  EXPECT_EQ(h.pauses, 0);
}

INSTANTIATE_TEST_SUITE_P(Levels, DealEveryLevel,
                         ::testing::Values(Level::easy, Level::normal, Level::hard));

TEST(DealBoard, WastesDrawsOnTakenBoxesAndLeavesFaceZeroOnTheRest) {
  Harness h;
  // Face 1: box 0, then 36 (box 0 again, wasted), then boxes 1..5. Faces 2..5: boxes 6..29.
  h.random.Script({0, 36, 1, 2, 3, 4, 5});
  std::vector<int> rest;
  for (int p = 6; p < 30; ++p) rest.push_back(p);
  h.random.Script(rest);

  DealBoard(h.state, Level::easy, h.random);

  EXPECT_EQ(h.random.draws, 31);
  EXPECT_EQ(h.random.Unused(), 0u);
  for (int i = 0; i < 36; ++i) {
    const int expected = i < 30 ? 1 + i / 6 : 0;
    EXPECT_EQ(h.state.boxes[i].face, expected) << "box " << i;
  }
}

TEST(DealBoard, TheHardBoardDrawsModulo80) {
  Harness h;
  std::vector<int> script;
  for (int p = 0; p < 72; ++p) script.push_back(80 * 3 + p);  // lands on box p
  h.random.Script(script);
  DealBoard(h.state, Level::hard, h.random);
  EXPECT_EQ(h.random.draws, 72);
  for (int i = 0; i < 80; ++i) EXPECT_EQ(h.state.boxes[i].face, i < 72 ? 1 + i / 8 : 0);
}

TEST(DealBoard, PadsTheBestScoreToFiveDigitsButNeverCutsIt) {
  const std::pair<int32_t, const char*> cases[] = {
      {0, "00000"}, {123, "00123"}, {12345, "12345"}, {123456, "123456"}};
  for (const auto& [best, text] : cases) {
    Harness h;
    h.state.bestScore[2] = best;
    DealBoard(h.state, Level::hard, h.random);
    EXPECT_EQ(h.state.bestText.Get(), text);
    EXPECT_EQ(FormatBestText(best), text);
  }
}

TEST(DealBoard, UsesTheLevelsOwnBestScore) {
  Harness h;
  h.state.bestScore[0] = 1;
  h.state.bestScore[1] = 2;
  h.state.bestScore[2] = 3;
  DealBoard(h.state, Level::normal, h.random);
  EXPECT_EQ(h.state.bestText.Get(), "00002");
}

TEST(DealBoard, EasyAfterHardLeavesTheHardBoxesAlone) {
  Harness h;
  DealBoard(h.state, Level::hard, h.random);
  h.Second();  // colours every hard box
  std::string before;
  for (int i = 36; i < 80; ++i)
    before += std::to_string(h.state.boxes[i].face) + std::to_string(h.state.boxes[i].r);
  h.state.scene = SCENE_EASY_SETUP;
  DealBoard(h.state, Level::easy, h.random);
  std::string after;
  for (int i = 36; i < 80; ++i)
    after += std::to_string(h.state.boxes[i].face) + std::to_string(h.state.boxes[i].r);
  EXPECT_EQ(before, after);
}

TEST(DealBoard, AnotherSetDrawsDistinctFacesFromAllItsPicturesAndTheClassicSetNone) {
  // The classic faces: face f is picture f and the generator is left where the boxes left it.
  auto classic = std::make_unique<GameState>();
  LcgRandom classicRandom(7);
  DealBoard(*classic, Level::easy, classicRandom);
  for (int face = 0; face < kClassicPictureCount; ++face) EXPECT_EQ(classic->facePicture[face], face);

  // A set of 40: the same boxes for the same seed, distinct pictures, every one of them reached.
  std::array<bool, 40> reached{};
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    auto state = std::make_unique<GameState>();
    state->shuffledFaces = true;
    state->setPictureCount = 40;
    LcgRandom random(seed);
    DealBoard(*state, Level::hard, random);
    auto reference = std::make_unique<GameState>();
    LcgRandom referenceRandom(seed);
    DealBoard(*reference, Level::hard, referenceRandom);
    for (int i = 0; i < 80; ++i) ASSERT_EQ(state->boxes[i].face, reference->boxes[i].face);
    for (int face = 0; face < 10; ++face) {
      const int picture = state->facePicture[face];
      ASSERT_GE(picture, 0);
      ASSERT_LT(picture, 40);
      reached[static_cast<size_t>(picture)] = true;
      for (int earlier = 0; earlier < face; ++earlier)
        ASSERT_NE(state->facePicture[earlier], picture) << "seed " << seed;
    }
  }
  for (size_t picture = 0; picture < reached.size(); ++picture)
    EXPECT_TRUE(reached[picture]) << "picture " << picture << " never dealt";

  // A set exactly as large as the level uses all of it; one too small still deals, never loops.
  for (int pictures : {6, 3}) {
    auto state = std::make_unique<GameState>();
    state->shuffledFaces = true;
    state->setPictureCount = pictures;
    LcgRandom random(3);
    DealBoard(*state, Level::easy, random);
    std::array<bool, 6> used{};
    for (int face = 0; face < 6; ++face) used[static_cast<size_t>(state->facePicture[face])] = true;
    if (pictures == 6) {
      EXPECT_EQ(std::count(used.begin(), used.end(), true), 6);
    }
    EXPECT_EQ(state->scene, SCENE_EASY);
  }
}

// Two-kind cards: the same boxes from the same draws, each face's copies alternating first and
// second card in box order; a divided board deals the first cards on its first half only.
TEST(DealBoard, TwoKindCardsAlternateSidesWithoutADrawAndADividedBoardSplitsItsHalves) {
  for (Level level : {Level::easy, Level::normal, Level::hard}) {
    const LevelParams& params = ParamsOf(level);
    for (uint32_t seed = 1; seed <= 50; ++seed) {
      auto reference = std::make_unique<GameState>();
      reference->shuffledFaces = true;
      reference->setPictureCount = 12;
      LcgRandom referenceRandom(seed);
      DealBoard(*reference, level, referenceRandom);
      auto state = std::make_unique<GameState>();
      state->shuffledFaces = true;
      state->setPictureCount = 12;
      state->twoKindCards = true;
      LcgRandom random(seed);
      DealBoard(*state, level, random);
      ASSERT_EQ(random.Next(), referenceRandom.Next()) << "a two-kind deal drew more";
      std::array<int, 10> seen{};
      for (int i = 0; i < params.boxCount; ++i) {
        ASSERT_EQ(state->boxes[i].face, reference->boxes[i].face);
        ASSERT_EQ(reference->boxes[i].side, 0);
        ASSERT_EQ(state->boxes[i].side, seen[static_cast<size_t>(state->boxes[i].face)]++ % 2);
      }
      for (int face = 0; face < 10; ++face)
        ASSERT_EQ(state->facePicture[face], reference->facePicture[face]);

      auto divided = std::make_unique<GameState>();
      divided->twoKindCards = true;
      divided->dividedBoard = true;
      LcgRandom dividedRandom(seed);
      DealBoard(*divided, level, dividedRandom);
      std::array<std::array<int, 2>, 10> counts{};
      for (int i = 0; i < params.boxCount; ++i) {
        const int side = i < params.boxCount / 2 ? 0 : 1;
        ASSERT_EQ(divided->boxes[i].side, side) << "box " << i;
        ++counts[static_cast<size_t>(divided->boxes[i].face)][static_cast<size_t>(side)];
      }
      for (int face = 0; face < params.faceCount; ++face)
        for (int side : {0, 1})
          ASSERT_EQ(counts[static_cast<size_t>(face)][static_cast<size_t>(side)],
                    params.copiesPerFace / 2);
    }
  }
}

}  // namespace
}  // namespace game
