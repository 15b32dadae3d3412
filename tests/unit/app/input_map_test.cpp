#include "app/input_map.h"

#include <gtest/gtest.h>

namespace app {
namespace {

using D = game::Direction;

TEST(InputMap, AControllerAsksForWhatTheKeysAskFor) {
  EXPECT_EQ(ActionOfButton(SDL_CONTROLLER_BUTTON_DPAD_UP), ActionOfKey(SDLK_UP));
  EXPECT_EQ(ActionOfButton(SDL_CONTROLLER_BUTTON_DPAD_DOWN), ActionOfKey(SDLK_DOWN));
  EXPECT_EQ(ActionOfButton(SDL_CONTROLLER_BUTTON_DPAD_LEFT), ActionOfKey(SDLK_LEFT));
  EXPECT_EQ(ActionOfButton(SDL_CONTROLLER_BUTTON_DPAD_RIGHT), ActionOfKey(SDLK_RIGHT));
  EXPECT_EQ(ActionOfButton(SDL_CONTROLLER_BUTTON_A), ActionOfKey(SDLK_SPACE));
  EXPECT_EQ(ActionOfButton(SDL_CONTROLLER_BUTTON_B), ActionOfKey(SDLK_ESCAPE));
  EXPECT_EQ(ActionOfKey(SDLK_KP_ENTER), ActionOfKey(SDLK_RETURN));
  EXPECT_EQ(ActionOfKey(SDLK_KP_3), ActionOfKey(SDLK_3));
  EXPECT_EQ(ActionOfKey(SDLK_q), Action::other) << "the game hands other keys on as such";
  EXPECT_EQ(ActionOfButton(SDL_CONTROLLER_BUTTON_GUIDE), Action::none);
}

TEST(InputMap, TheStickPointsPastItsDeadZoneTheLargerAxisWinning) {
  EXPECT_EQ(StickDirection(0, 0), std::nullopt);
  EXPECT_EQ(StickDirection(9000, -9000), std::nullopt) << "a drifting stick moves nothing";
  EXPECT_EQ(StickDirection(32767, 20000), D::right);
  EXPECT_EQ(StickDirection(-32768, 0), D::left);
  EXPECT_EQ(StickDirection(15000, -30000), D::up);
  EXPECT_EQ(StickDirection(0, 30000), D::down);
}

TEST(InputMap, AHeldDirectionRepeatsAfterADelayAtASteadyRateWithoutBursts) {
  HeldDirection held;
  EXPECT_EQ(held.Due(1000), std::nullopt);
  held.Press(D::down, 1000);
  EXPECT_EQ(held.Due(1000 + HeldDirection::kFirstRepeat - 1), std::nullopt);
  EXPECT_EQ(held.Due(1000 + HeldDirection::kFirstRepeat), D::down);
  EXPECT_EQ(held.Due(1000 + HeldDirection::kFirstRepeat + 1), std::nullopt);
  // A frame late by many periods moves once, and the rate goes on from there.
  const uint32_t late = 1000 + HeldDirection::kFirstRepeat + 10 * HeldDirection::kRepeatPeriod;
  EXPECT_EQ(held.Due(late), D::down);
  EXPECT_EQ(held.Due(late + 1), std::nullopt);
  EXPECT_EQ(held.Due(late + HeldDirection::kRepeatPeriod), D::down);
  held.Release(D::up);
  EXPECT_EQ(held.Due(late + 2 * HeldDirection::kRepeatPeriod), D::down) << "another let go";
  held.Release(D::down);
  EXPECT_EQ(held.Due(late + 10 * HeldDirection::kRepeatPeriod), std::nullopt);
  // Across the wrap of SDL's ticks.
  held.Press(D::left, 0xFFFFFF00u);
  EXPECT_EQ(held.Due(0xFFFFFFF0u), std::nullopt);
  EXPECT_EQ(held.Due(0xFFFFFF00u + HeldDirection::kFirstRepeat), D::left);
}

}  // namespace
}  // namespace app
