#include "game/navigation.h"

#include <gtest/gtest.h>

#include <vector>

#include "game/scenes.h"
#include "test_support.h"

namespace game {
namespace {

using testing::DealThroughTick;
using testing::Harness;
using D = Direction;
using R = SoundRequest;

// The names visited by pressing one direction again and again from `from`.
std::vector<uint32_t> Walk(int scene, uint32_t from, Direction direction, int steps) {
  std::vector<uint32_t> names;
  for (int i = 0; i < steps; ++i) names.push_back(from = NextHighlight(scene, from, direction));
  return names;
}

TEST(NextHighlight, TheMenuGoesRoundItsThreeColumns) {
  // The columns the table's places make: Pictures, Players, Clock, About; Help, Easy, Normal,
  // Hard, Exit; Records, Language, Less motion, Speech, VSync, Sound, Music. Up and down go
  // round a column; left and right round the columns to the nearest in height, a tie to the
  // upper one.
  using M = MenuName;
  struct Neighbours {
    M from, up, down, left, right;
  };
  const Neighbours cases[] = {
      {M::pictures, M::about, M::players, M::records, M::easy},
      {M::players, M::pictures, M::clock, M::language, M::normal},
      {M::clock, M::players, M::about, M::motion, M::hard},
      {M::about, M::clock, M::pictures, M::sound, M::exit},
      {M::help, M::exit, M::easy, M::pictures, M::records},
      {M::easy, M::help, M::normal, M::pictures, M::records},
      {M::normal, M::easy, M::hard, M::players, M::language},
      {M::hard, M::normal, M::exit, M::clock, M::motion},
      {M::exit, M::hard, M::help, M::about, M::sound},
      {M::records, M::music, M::language, M::easy, M::pictures},
      {M::language, M::records, M::motion, M::normal, M::players},
      {M::motion, M::language, M::speech, M::hard, M::clock},
      {M::speech, M::motion, M::vsync, M::hard, M::clock},
      {M::vsync, M::speech, M::sound, M::hard, M::about},
      {M::sound, M::vsync, M::music, M::exit, M::about},
      {M::music, M::sound, M::records, M::exit, M::about},
  };
  ASSERT_EQ(std::size(cases), MenuControls().size()) << "every control has its case";
  for (const Neighbours& c : cases) {
    const uint32_t from = PickNameOf(c.from);
    EXPECT_EQ(NextHighlight(SCENE_MENU, from, D::up), PickNameOf(c.up)) << from;
    EXPECT_EQ(NextHighlight(SCENE_MENU, from, D::down), PickNameOf(c.down)) << from;
    EXPECT_EQ(NextHighlight(SCENE_MENU, from, D::left), PickNameOf(c.left)) << from;
    EXPECT_EQ(NextHighlight(SCENE_MENU, from, D::right), PickNameOf(c.right)) << from;
  }
  // Nothing highlighted yet: Easy, whatever the direction; a stale name does the same.
  for (D direction : {D::up, D::down, D::left, D::right}) {
    EXPECT_EQ(NextHighlight(SCENE_MENU, 0, direction), PickNameOf(M::easy));
    EXPECT_EQ(NextHighlight(SCENE_MENU, 40, direction), PickNameOf(M::easy));
  }
}

TEST(NextHighlight, ABoardIsItsGridAsDrawnWithTheBackButtonBelow) {
  // Easy: 6 x 6, box 1 at the top right, box 6 at the top left, back button 37.
  EXPECT_EQ(NextHighlight(SCENE_EASY, 0, D::down), 6u);
  EXPECT_EQ(Walk(SCENE_EASY, 6, D::right, 6), (std::vector<uint32_t>{5, 4, 3, 2, 1, 6}));
  EXPECT_EQ(Walk(SCENE_EASY, 1, D::left, 6), (std::vector<uint32_t>{2, 3, 4, 5, 6, 1}));
  EXPECT_EQ(Walk(SCENE_EASY, 3, D::down, 7), (std::vector<uint32_t>{9, 15, 21, 27, 33, 37, 1}));
  EXPECT_EQ(Walk(SCENE_EASY, 3, D::up, 3), (std::vector<uint32_t>{37, 31, 25}));
  // Beside Back the records button, shown once the level is over (MoveHighlight checks that).
  EXPECT_EQ(NextHighlight(SCENE_EASY, 37, D::left), 38u);
  EXPECT_EQ(NextHighlight(SCENE_EASY, 38, D::right), 37u);
  EXPECT_EQ(NextHighlight(SCENE_EASY, 38, D::down), 1u);
  // Normal 8 x 8 (back 65) and hard 8 rows of 10 (back 81).
  EXPECT_EQ(NextHighlight(SCENE_NORMAL, 0, D::left), 8u);
  EXPECT_EQ(NextHighlight(SCENE_NORMAL, 60, D::down), 65u);
  EXPECT_EQ(NextHighlight(SCENE_NORMAL, 65, D::up), 57u);
  EXPECT_EQ(NextHighlight(SCENE_HARD, 0, D::up), 10u);
  EXPECT_EQ(NextHighlight(SCENE_HARD, 10, D::left), 1u);
  EXPECT_EQ(NextHighlight(SCENE_HARD, 80, D::down), 81u);
  EXPECT_EQ(NextHighlight(SCENE_HARD, 81, D::down), 1u);
  EXPECT_EQ(NextHighlight(SCENE_HARD, 15, D::up), 5u);
}

TEST(NextHighlight, ScreensHaveOnlyTheBackButtonAndOthersNothing) {
  for (D direction : {D::up, D::down, D::left, D::right}) {
    EXPECT_EQ(NextHighlight(SCENE_README, 0, direction), kScreenBackButton);
    EXPECT_EQ(NextHighlight(SCENE_ABOUT, 1, direction), kScreenBackButton);
    EXPECT_EQ(NextHighlight(SCENE_RECORDS, 0, direction), kScreenBackButton);
    for (int scene : {SCENE_MENU_ENTER, SCENE_EASY_SETUP, SCENE_HIDDEN_PICTURE})
      EXPECT_EQ(NextHighlight(scene, 0, direction), 0u) << scene;
  }
}

TEST(KeyboardPlay, TheArrowsMoveTheHoverThatTheMouseSets) {
  Harness h;
  h.Tick();
  ASSERT_EQ(h.state.scene, SCENE_MENU);
  MoveHighlight(h.state, D::down);
  EXPECT_TRUE(h.state.hoverEasy);
  MoveHighlight(h.state, D::down);
  EXPECT_FALSE(h.state.hoverEasy);
  EXPECT_TRUE(h.state.hoverNormal);
  // The mouse moved last: the keyboard goes on from where the mouse is.
  h.Move(MenuName::hard);
  EXPECT_TRUE(h.state.hoverHard);
  EXPECT_FALSE(h.state.hoverNormal);
  MoveHighlight(h.state, D::up);
  EXPECT_TRUE(h.state.hoverNormal);
  EXPECT_FALSE(h.state.hoverHard);
  // A switch is lit only by the keyboard; the mouse takes the highlight away again.
  MoveHighlight(h.state, D::right);
  EXPECT_TRUE(h.state.hoverLanguage);
  MoveHighlight(h.state, D::down);
  MoveHighlight(h.state, D::down);  // past the less-motion switch
  EXPECT_EQ(h.state.hoverSwitch, static_cast<int8_t>(MenuName::speech));
  EXPECT_FALSE(h.state.hoverNormal);
  EXPECT_FALSE(h.state.hoverLanguage);
  EXPECT_EQ(HighlightedName(h.state), PickNameOf(MenuName::speech));
  h.Move(MenuName::sound);
  EXPECT_EQ(h.state.hoverSwitch, 0);
  EXPECT_EQ(HighlightedName(h.state), 0u);
  EXPECT_TRUE(h.requests.empty()) << "moving makes no sound";
}

TEST(KeyboardPlay, SpacePressesWhatIsHighlightedAsAClickWould) {
  Harness h;
  h.Tick();
  PressHighlighted(h.state, h.actions);
  EXPECT_EQ(h.state.scene, SCENE_MENU) << "nothing highlighted, nothing pressed";
  EXPECT_TRUE(h.requests.empty());

  MoveHighlight(h.state, D::right);  // from nothing: Easy
  MoveHighlight(h.state, D::right);  // the records button
  MoveHighlight(h.state, D::down);   // the language selector
  MoveHighlight(h.state, D::down);   // the less-motion switch
  const bool lessMotion = h.state.lessMotion;
  PressHighlighted(h.state, h.actions);
  EXPECT_EQ(h.state.lessMotion, !lessMotion);
  h.ClearRequests();
  MoveHighlight(h.state, D::down);   // the speech switch
  MoveHighlight(h.state, D::down);   // the vsync switch
  const bool vsync = h.state.vsyncOn;
  PressHighlighted(h.state, h.actions);
  EXPECT_EQ(h.state.vsyncOn, !vsync);
  EXPECT_EQ(h.swapIntervals.size(), 1u);

  MoveHighlight(h.state, D::left);  // back to the centre column, nearest the switch: Hard
  MoveHighlight(h.state, D::up);
  MoveHighlight(h.state, D::up);
  ASSERT_TRUE(h.state.hoverEasy);
  h.ClearRequests();
  PressHighlighted(h.state, h.actions);
  EXPECT_EQ(h.state.scene, SCENE_EASY_SETUP);
  EXPECT_EQ(h.RequestList(),
            (std::vector<R>{R::stopMenuMusic, R::playGameMusic, R::playButton}));

  // The selectors are cells like the others, lit by their own flags: Space steps them.
  h.state.scene = SCENE_MENU;
  MoveHighlight(h.state, D::left);  // from Easy: the pictures selector beside it
  EXPECT_TRUE(h.state.hoverPictures);
  EXPECT_EQ(h.state.hoverSwitch, 0);
  MoveHighlight(h.state, D::down);
  EXPECT_EQ(HighlightedName(h.state), PickNameOf(MenuName::players));
  PressHighlighted(h.state, h.actions);
  EXPECT_EQ(h.state.playerMode, 2);
}

TEST(KeyboardPlay, SpaceOpensBoxesUnderTheRulesOfAClick) {
  Harness h;
  DealThroughTick(h, Level::easy);
  ASSERT_EQ(h.state.scene, SCENE_EASY);
  MoveHighlight(h.state, D::right);  // the top-left box, 6
  ASSERT_TRUE(h.state.boxes[5].hover);
  PressHighlighted(h.state, h.actions);
  EXPECT_TRUE(h.state.boxes[5].open);
  EXPECT_EQ(h.state.selectionCount, 1);
  PressHighlighted(h.state, h.actions);
  EXPECT_FALSE(h.state.boxes[5].open) << "the one open box closes again";

  // Two open boxes block everything, the back button included.
  MoveHighlight(h.state, D::right);
  PressHighlighted(h.state, h.actions);
  MoveHighlight(h.state, D::right);
  PressHighlighted(h.state, h.actions);
  ASSERT_EQ(h.state.selectionCount, 2);
  MoveHighlight(h.state, D::right);
  PressHighlighted(h.state, h.actions);
  EXPECT_FALSE(h.state.boxes[2].open);
  MoveHighlight(h.state, D::up);  // box 3 is in the top row: up reaches the back button
  ASSERT_TRUE(h.state.hoverBack);
  PressHighlighted(h.state, h.actions);
  EXPECT_EQ(h.state.scene, SCENE_EASY);

  // A level that is over keeps its boxes shut; the back button leaves.
  h.state.selectionCount = 3;
  MoveHighlight(h.state, D::down);
  PressHighlighted(h.state, h.actions);
  EXPECT_FALSE(h.state.boxes[0].open);
  MoveHighlight(h.state, D::up);
  PressHighlighted(h.state, h.actions);
  EXPECT_EQ(h.state.scene, SCENE_MENU_ENTER);
}

TEST(KeyboardPlay, TheRecordsButtonBelowABoardOnceItIsOver) {
  Harness h;
  DealThroughTick(h, Level::easy);
  h.state.pickedName = 37;
  HoverPicked(h.state);
  MoveHighlight(h.state, D::left);
  EXPECT_TRUE(h.state.hoverBack) << "the records button is not shown during play";
  h.state.won = true;
  MoveHighlight(h.state, D::left);
  EXPECT_TRUE(h.state.hoverRecords);
  EXPECT_FALSE(h.state.hoverBack);
  PressHighlighted(h.state, h.actions);
  EXPECT_EQ(h.state.scene, SCENE_RECORDS);
  EXPECT_TRUE(h.Key(Key::Escape));
  EXPECT_EQ(h.state.scene, SCENE_MENU_ENTER);
  h.Tick();
  h.Click(MenuName::records);
  EXPECT_EQ(h.state.scene, SCENE_RECORDS);
}

TEST(KeyboardPlay, TheNumberKeysStartTheLevelsFromTheMenuOnly) {
  const int8_t setups[3] = {SCENE_EASY_SETUP, SCENE_NORMAL_SETUP, SCENE_HARD_SETUP};
  for (int number = 1; number <= 3; ++number) {
    Harness h;
    h.Tick();
    StartLevelByNumber(h.state, number, h.actions);
    EXPECT_EQ(h.state.scene, setups[number - 1]);
  }
  Harness h;
  h.Tick();
  StartLevelByNumber(h.state, 4, h.actions);
  StartLevelByNumber(h.state, 0, h.actions);
  EXPECT_EQ(h.state.scene, SCENE_MENU);
  h.state.scene = SCENE_ABOUT;
  StartLevelByNumber(h.state, 1, h.actions);
  EXPECT_EQ(h.state.scene, SCENE_ABOUT);
  EXPECT_TRUE(h.requests.empty());
}

}  // namespace
}  // namespace game
