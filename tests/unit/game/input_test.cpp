#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "game/choices.h"
#include "game/language.h"
#include "game/menu.h"
#include "game/scenes.h"
#include "test_support.h"

namespace game {
namespace {

using testing::BoxesWithFace;
using testing::DealThroughTick;
using testing::Dump;
using testing::Harness;
using testing::SeenRequest;
using R = SoundRequest;

// --- Keys -------------------------------------------------------------------------------------

TEST(Escape, ActsByScene) {
  const std::vector<R> backToMenu = {R::playButton, R::stopGameMusic, R::stopAboutMusic,
                                     R::playMenuMusic};
  for (int scene : {3, 5, 7, 8, 9, 11}) {
    Harness h;
    h.state.scene = static_cast<int8_t>(scene);
    EXPECT_TRUE(h.Key(Key::Escape));
    EXPECT_EQ(h.state.scene, SCENE_MENU_ENTER) << "scene " << scene;
    ASSERT_EQ(h.RequestList(), backToMenu);
    for (const SeenRequest& seen : h.requests) EXPECT_EQ(seen.scene, scene) << "requests first";
  }
  {
    Harness h;
    h.state.scene = SCENE_HIDDEN_PICTURE;
    EXPECT_TRUE(h.Key(Key::Escape));
    EXPECT_EQ(h.state.scene, SCENE_ABOUT);
    EXPECT_TRUE(h.requests.empty()) << "the about music keeps playing";
  }
  for (int scene : {0, 2, 4, 6, 12, -3}) {
    Harness h;
    h.state.scene = static_cast<int8_t>(scene);
    const std::string before = Dump(h.state);
    EXPECT_TRUE(h.Key(Key::Escape)) << "escape is always consumed";
    EXPECT_EQ(Dump(h.state), before) << "scene " << scene;
  }
}

TEST(Escape, TheThirdPressInTheMenuQuitsAndAMenuEntryRestartsTheCount) {
  Harness h;
  h.Tick();  // menu entry
  ASSERT_EQ(h.state.scene, SCENE_MENU);
  h.Key(Key::Escape);
  h.Key(Key::Escape);
  EXPECT_EQ(h.exits, 0);
  EXPECT_EQ(h.state.escCount, 2);

  // Into a board and back: the count starts again.
  h.Click(MenuName::easy);
  h.Tick();
  h.Key(Key::Escape);
  h.Tick();
  EXPECT_EQ(h.state.escCount, 0);
  h.Key(Key::Escape);
  h.Key(Key::Escape);
  EXPECT_EQ(h.exits, 0);
  h.Key(Key::Escape);
  EXPECT_EQ(h.exits, 1);
}

TEST(Escape, WorksOnABoardWithTwoBoxesOpenOrAfterTheLevelEnded) {
  for (int count : {2, 3}) {
    Harness h;
    DealThroughTick(h, Level::easy);
    h.state.selectionCount = static_cast<int8_t>(count);
    h.Key(Key::Escape);
    EXPECT_EQ(h.state.scene, SCENE_MENU_ENTER);
  }
}

TEST(HiddenPicture, OpensByEnterOnTheAboutScreenAfterJAndV) {
  Harness h;
  h.state.scene = SCENE_MENU;
  // J and V seen before the about button do not count.
  EXPECT_FALSE(h.Key(Key::J));
  EXPECT_FALSE(h.Key(Key::V));
  h.Click(MenuName::about);
  ASSERT_EQ(h.state.scene, SCENE_ABOUT);
  EXPECT_FALSE(h.state.hiddenKey1Pressed);
  EXPECT_FALSE(h.Key(Key::Enter));
  OnOK(h.state);
  EXPECT_EQ(h.state.scene, SCENE_ABOUT);

  h.Key(Key::V);
  h.Key(Key::Other);
  OnOK(h.state);
  EXPECT_EQ(h.state.scene, SCENE_ABOUT) << "J is still missing";
  h.Key(Key::J);
  h.ClearRequests();
  OnOK(h.state);
  EXPECT_EQ(h.state.scene, SCENE_HIDDEN_PICTURE);
  EXPECT_TRUE(h.requests.empty());

  // Nothing there can be picked, yet a move unlights the about screen's Back; escape goes back
  // with both keys still seen.
  h.state.hoverBack = true;
  h.Move(0);
  EXPECT_FALSE(h.state.hoverBack);
  h.Click(0);
  EXPECT_EQ(h.state.scene, SCENE_HIDDEN_PICTURE);
  h.Key(Key::Escape);
  EXPECT_EQ(h.state.scene, SCENE_ABOUT);
  OnOK(h.state);
  EXPECT_EQ(h.state.scene, SCENE_HIDDEN_PICTURE);
}

TEST(HiddenPicture, KeysAreSeenInEveryScene) {
  for (int scene = 0; scene <= 10; ++scene) {
    Harness h;
    h.state.scene = static_cast<int8_t>(scene);
    h.Key(Key::J);
    h.Key(Key::V);
    EXPECT_TRUE(h.state.hiddenKey1Pressed && h.state.hiddenKey2Pressed);
  }
}

TEST(Enter, DoesNothingOutsideTheAboutScreen) {
  for (int scene : {0, 1, 2, 3, 5, 7, 8, 10}) {
    Harness h;
    h.state.scene = static_cast<int8_t>(scene);
    h.state.hiddenKey1Pressed = true;
    h.state.hiddenKey2Pressed = true;
    const std::string before = Dump(h.state);
    OnOK(h.state);
    EXPECT_EQ(Dump(h.state), before);
  }
}

// --- Cursor -----------------------------------------------------------------------------------

TEST(Cursor, IsStoredAndOffsetByTheWindowAndCaptionBeforeThePick) {
  Harness h;
  h.state.captionHeight = 23;
  h.state.scene = SCENE_EASY_SETUP;
  int32_t seenX = -1, seenY = -1;
  InputActions actions{[&] {
    seenX = h.state.mouseX;
    seenY = h.state.mouseY;
    h.state.pickedName = 4;
  }, nullptr, nullptr, nullptr};
  const int32_t rect[4] = {100, 200, 900, 800};
  OnMouseMove(h.state, 130, 250, rect, actions);
  EXPECT_EQ(seenX, 30);
  EXPECT_EQ(seenY, 27);
  EXPECT_EQ(h.state.cursorPos[0], 130);
  EXPECT_EQ(h.state.cursorPos[1], 250);
  EXPECT_EQ(h.state.windowRect[2], 900);
  EXPECT_EQ(h.state.windowRect[3], 800);
  EXPECT_EQ(h.state.pickedName, 4u);

  OnLeftButtonDown(h.state, 101, 224, rect, actions);
  EXPECT_EQ(seenX, 1);
  EXPECT_EQ(seenY, 1);
  EXPECT_EQ(h.state.scene, SCENE_EASY_SETUP) << "setup scenes ignore clicks";
  EXPECT_FALSE(h.state.hoverEasy);

  OnMouseMove(h.state, 0, 0, rect, InputActions{});
  EXPECT_EQ(h.state.pickedName, 0u) << "no picker: nothing picked";
}

// --- Menu -------------------------------------------------------------------------------------

std::vector<SeenRequest> ClickInMenu(MenuName name, Harness& h) {
  h.state.scene = SCENE_MENU;
  h.Click(name);
  return h.requests;
}

TEST(MenuClick, EachButtonRaisesItsRequestsAroundTheSceneSwitch) {
  struct Case {
    MenuName name;
    int scene;
    std::vector<SeenRequest> requests;
  };
  // Easy changes the scene before its music, Normal and Hard after (docs/behaviour.md).
  const Case cases[] = {
      {MenuName::help, 8, {{R::stopMenuMusic, 1}, {R::playButton, 8}}},
      {MenuName::easy, 2, {{R::stopMenuMusic, 2}, {R::playGameMusic, 2}, {R::playButton, 2}}},
      {MenuName::normal, 4, {{R::stopMenuMusic, 1}, {R::playGameMusic, 1}, {R::playButton, 4}}},
      {MenuName::hard, 6, {{R::stopMenuMusic, 1}, {R::playGameMusic, 1}, {R::playButton, 6}}},
      {MenuName::about, 9, {{R::stopMenuMusic, 1}, {R::playAboutMusic, 1}, {R::playButton, 9}}},
      {MenuName::records, 11, {{R::stopGameMusic, 1}, {R::playMenuMusic, 1}, {R::playButton, 11}}},
      {MenuName::none, 1, {}},
      {static_cast<MenuName>(40), 1, {}},
  };
  for (const Case& c : cases) {
    Harness h;
    EXPECT_EQ(ClickInMenu(c.name, h), c.requests) << "button " << PickNameOf(c.name);
    EXPECT_EQ(h.state.scene, c.scene) << "button " << PickNameOf(c.name);
    EXPECT_EQ(h.exits, 0);
  }
}

TEST(MenuClick, ALevelTheSetIsTooSmallForRefusesWithTheErrorSound) {
  for (MenuName name : {MenuName::easy, MenuName::normal, MenuName::hard}) {
    Harness h;
    h.state.setPictureCount = 7;  // enough for easy only
    const auto requests = ClickInMenu(name, h);
    if (name == MenuName::easy) {
      EXPECT_EQ(h.state.scene, SCENE_EASY_SETUP);
    } else {
      EXPECT_EQ(h.state.scene, SCENE_MENU) << "button " << PickNameOf(name);
      EXPECT_EQ(requests, (std::vector<SeenRequest>{{R::playError, 1}}))
          << "button " << PickNameOf(name);
    }
  }
}

TEST(MenuClick, TheAboutButtonForgetsTheHiddenKeys) {
  Harness h;
  h.state.hiddenKey1Pressed = true;
  h.state.hiddenKey2Pressed = true;
  ClickInMenu(MenuName::about, h);
  EXPECT_FALSE(h.state.hiddenKey1Pressed);
  EXPECT_FALSE(h.state.hiddenKey2Pressed);
}

TEST(MenuClick, TheOutButtonRunsTheExitSequence) {
  Harness h;
  ClickInMenu(MenuName::exit, h);
  EXPECT_EQ(h.exits, 1);
  EXPECT_TRUE(h.requests.empty()) << "the exit sequence raises its own sound";
}

TEST(MenuClick, TheSwitchesToggleWithTheirRequests) {
  Harness h;
  h.state.soundOn = true;
  h.state.musicOn = true;
  EXPECT_EQ(h.RequestList(), std::vector<R>{});
  ClickInMenu(MenuName::sound, h);
  EXPECT_FALSE(h.state.soundOn);
  EXPECT_EQ(h.RequestList(), (std::vector<R>{R::playButton, R::stopEffects}));
  h.ClearRequests();
  ClickInMenu(MenuName::sound, h);
  EXPECT_TRUE(h.state.soundOn);
  EXPECT_EQ(h.RequestList(), (std::vector<R>{R::playButton}));

  h.ClearRequests();
  ClickInMenu(MenuName::music, h);
  EXPECT_FALSE(h.state.musicOn);
  EXPECT_EQ(h.RequestList(), (std::vector<R>{R::playButton, R::stopMenuMusic}));
  h.ClearRequests();
  ClickInMenu(MenuName::music, h);
  EXPECT_TRUE(h.state.musicOn);
  EXPECT_EQ(h.RequestList(), (std::vector<R>{R::playButton, R::playMenuMusic}));
}

TEST(MenuClick, TheFpsSwitchSetsTheSwapIntervalWhenItCan) {
  Harness h;
  ClickInMenu(MenuName::vsync, h);
  ClickInMenu(MenuName::vsync, h);
  EXPECT_EQ(h.swapIntervals, (std::vector<int>{1, 0}));
  EXPECT_FALSE(h.state.vsyncOn);
  EXPECT_EQ(h.RequestList(), (std::vector<R>{R::playButton, R::playButton}));

  h.actions.setSwapInterval = nullptr;  // the driver cannot
  ClickInMenu(MenuName::vsync, h);
  EXPECT_TRUE(h.state.vsyncOn) << "still flips, and is saved at exit";
  EXPECT_EQ(h.swapIntervals.size(), 2u);
}

TEST(MenuClick, TheSelectorsStepRoundTheirValuesWithTheButtonSound) {
  Harness h;
  h.state.pictureSetCount = 3;
  std::vector<int> sets;
  for (int i = 0; i < 4; ++i) {
    ClickInMenu(MenuName::pictures, h);
    sets.push_back(h.state.pictureSet);
  }
  EXPECT_EQ(sets, (std::vector<int>{1, 2, 0, 1}));
  std::vector<int> modes;
  for (int i = 0; i < 6; ++i) {
    ClickInMenu(MenuName::players, h);
    modes.push_back(h.state.playerMode);
  }
  EXPECT_EQ(modes, (std::vector<int>{2, 3, 4, 5, 1, 2}));
  // The languages in the table's order, round to English.
  h.state.language = Language::chinese.index;
  for (int i = 1; i <= kLanguageCount; ++i) {
    ClickInMenu(MenuName::language, h);
    EXPECT_EQ(h.state.language, (Language::chinese.index + i) % kLanguageCount);
  }
  EXPECT_EQ(h.RequestList(), std::vector<R>(10 + kLanguageCount, R::playButton));
  EXPECT_EQ(h.state.scene, SCENE_MENU);
  // The spellings of the settings file and the command line; nothing else is a mode.
  for (const char* key : {"1", "2", "3", "4", "computer"})
    EXPECT_EQ(PlayerModeKey(*ParsePlayerMode(key)), key);
  for (const char* bad : {"", "0", "5", "Computer", " 2", "two"})
    EXPECT_FALSE(ParsePlayerMode(bad)) << bad;
}

TEST(MenuHover, EveryLitFlagIsWrittenOnEveryMove) {
  Harness h;
  h.state.scene = SCENE_MENU;
  using M = MenuName;
  const std::pair<M, Shared<bool>*> flags[] = {
      {M::help, &h.state.hoverReadme},       {M::easy, &h.state.hoverEasy},
      {M::normal, &h.state.hoverNormal},     {M::hard, &h.state.hoverHard},
      {M::exit, &h.state.hoverOut},          {M::about, &h.state.hoverAbout},
      {M::pictures, &h.state.hoverPictures}, {M::players, &h.state.hoverPlayers},
      {M::records, &h.state.hoverRecords},   {M::language, &h.state.hoverLanguage}};
  for (const auto& [name, lit] : flags) {
    h.Move(name);
    for (const auto& [other, flag] : flags) EXPECT_EQ(bool(*flag), other == name);
  }
  for (M name : {M::sound, M::music, M::vsync, M::none}) {
    h.Move(M::normal);
    h.Move(name);
    for (const auto& [other, flag] : flags) EXPECT_FALSE(*flag) << "name " << PickNameOf(name);
  }
}

// --- Boards -----------------------------------------------------------------------------------

class BoardInput : public ::testing::TestWithParam<Level> {
 protected:
  void SetUp() override {
    DealThroughTick(h, GetParam());
    h.ClearRequests();
  }
  uint32_t BackButton() const { return static_cast<uint32_t>(params.boxCount + 1); }

  Harness h;
  const LevelParams& params = ParamsOf(GetParam());
};

TEST_P(BoardInput, OpensClosesAndRemembersThePicks) {
  const uint32_t last = static_cast<uint32_t>(params.boxCount);
  h.Click(last);
  EXPECT_TRUE(h.state.boxes[last - 1].open);
  EXPECT_EQ(h.state.selectionCount, 1);
  EXPECT_EQ(h.state.firstPick, last - 1);
  EXPECT_EQ(h.RequestList(), std::vector<R>{R::playBox});

  h.Click(last);  // the one open box closes again
  EXPECT_FALSE(h.state.boxes[last - 1].open);
  EXPECT_EQ(h.state.selectionCount, 0);
  EXPECT_EQ(h.RequestList(), (std::vector<R>{R::playBox, R::playBox}));

  h.Click(1);
  h.Click(last);
  EXPECT_EQ(h.state.selectionCount, 2);
  EXPECT_EQ(h.state.firstPick, 0);
  EXPECT_EQ(h.state.secondPick, last - 1);
  EXPECT_TRUE(h.state.boxes[0].open && h.state.boxes[last - 1].open);
}

TEST_P(BoardInput, TwoOpenBoxesIgnoreEveryClickEvenTheBackButton) {
  h.Click(1);
  h.Click(2);
  h.ClearRequests();
  const std::string before = Dump(h.state);
  h.Click(2);
  h.Click(3);
  h.Click(BackButton());
  h.state.pickedName = 2;  // the pick is the only thing the clicks changed
  EXPECT_EQ(Dump(h.state), before);
  EXPECT_EQ(h.state.scene, params.playScene);
  EXPECT_TRUE(h.requests.empty());
}

TEST_P(BoardInput, TheBackButtonSwitchesSceneThenRequests) {
  h.Click(1);
  h.ClearRequests();
  h.Click(BackButton());
  EXPECT_EQ(h.requests, (std::vector<SeenRequest>{{R::playMenuMusic, 0},
                                                   {R::stopGameMusic, 0},
                                                   {R::playButton, 0}}));
}

TEST_P(BoardInput, AFinishedLevelBlocksBoxesButNotTheBackButton) {
  h.state.selectionCount = 3;
  h.Click(1);
  EXPECT_FALSE(h.state.boxes[0].open);
  EXPECT_TRUE(h.requests.empty());
  h.Click(BackButton());
  EXPECT_EQ(h.state.scene, SCENE_MENU_ENTER);
}

TEST_P(BoardInput, RemovedBoxesAndEmptyPicksDoNothing) {
  h.state.boxes[4].present = false;
  h.Move(5);
  EXPECT_TRUE(h.state.boxes[4].hover) << "its outline still lights";
  const std::string before = Dump(h.state);
  h.Click(5);
  h.Click(0);
  h.Click(BackButton() + 1);
  h.state.pickedName = 5;
  EXPECT_EQ(Dump(h.state), before);
  EXPECT_TRUE(h.requests.empty());
}

TEST_P(BoardInput, HoverLightsOnlyTheBoxOrBackButtonUnderTheCursor) {
  h.Move(3);
  h.Move(7);
  for (int i = 0; i < params.boxCount; ++i) EXPECT_EQ(bool(h.state.boxes[i].hover), i == 6);
  EXPECT_FALSE(h.state.hoverBack);
  h.Move(BackButton());
  EXPECT_TRUE(h.state.hoverBack);
  for (int i = 0; i < params.boxCount; ++i) EXPECT_FALSE(h.state.boxes[i].hover);
  h.Move(0);
  EXPECT_FALSE(h.state.hoverBack);
}

TEST_P(BoardInput, TheEndOfTheLevelWinsARaceWithAClickAndTheClickMakesNoSound) {
  // The countdown ends the level between the click's check and its count update.
  h.actions.beforeCountUpdate = [&] { h.state.selectionCount = 3; };
  h.Click(1);
  EXPECT_EQ(h.state.selectionCount, 3);
  EXPECT_FALSE(h.state.boxes[0].open);
  EXPECT_TRUE(h.requests.empty()) << "a box sound for a click that was undone";
}

TEST_P(BoardInput, AClickKeptBeforeTheLevelEndsStillSounds) {
  // The level ends just after the count update: the click stands, with its sound.
  h.onRequest = [&](SoundRequest request) {
    if (request == R::playBox) h.state.selectionCount = 3;
  };
  h.Click(1);
  EXPECT_TRUE(h.state.boxes[0].open);
  EXPECT_EQ(h.RequestList(), std::vector<R>{R::playBox});
}

INSTANTIATE_TEST_SUITE_P(Levels, BoardInput,
                         ::testing::Values(Level::easy, Level::normal, Level::hard));

TEST(BoardInput, BoxesPastTheLevelAreNeverHoveredOrOpened) {
  Harness h;
  DealThroughTick(h, Level::easy);
  h.state.boxes[40].present = true;
  h.Move(41);
  h.Click(41);
  EXPECT_FALSE(h.state.boxes[40].hover);
  EXPECT_FALSE(h.state.boxes[40].open);
  EXPECT_EQ(h.state.selectionCount, 0);
}

// --- Help, about, hidden picture --------------------------------------------------------------

TEST(ScreenInput, TheBackButtonLeavesHelpAboutAndRecords) {
  for (int scene : {8, 9, 11}) {
    Harness h;
    h.state.scene = static_cast<int8_t>(scene);
    h.Move(kScreenBackButton);
    EXPECT_TRUE(h.state.hoverBack);
    h.Move(0);
    EXPECT_FALSE(h.state.hoverBack);
    h.Click(kScreenBackButton + 1);
    EXPECT_EQ(h.state.scene, scene);
    h.Click(kScreenBackButton);
    EXPECT_EQ(h.requests, (std::vector<SeenRequest>{{R::stopAboutMusic, scene},
                                                     {R::playMenuMusic, 0},
                                                     {R::stopGameMusic, 0},
                                                     {R::playButton, 0}}));
  }
}

TEST(ScreenInput, MovesInTransitionalScenesOnlyPick) {
  for (int scene : {0, 2, 4, 6}) {
    Harness h;
    h.state.scene = static_cast<int8_t>(scene);
    h.state.hoverEasy = true;
    h.state.hoverBack = true;
    h.Move(MenuName::easy);
    h.Click(MenuName::easy);
    EXPECT_TRUE(h.state.hoverEasy && h.state.hoverBack);
    EXPECT_EQ(h.state.scene, scene);
    EXPECT_TRUE(h.requests.empty());
  }
}

}  // namespace
}  // namespace game
