#include "app/input_map.h"

#include <gtest/gtest.h>

namespace app {
namespace {

using D = game::Direction;

TEST(InputMap, TheStickPointsPastItsDeadZoneTheLargerAxisWinning) {
  EXPECT_EQ(StickDirection(0, 0), std::nullopt);
  EXPECT_EQ(StickDirection(9000, -9000), std::nullopt) << "a drifting stick moves nothing";
  EXPECT_EQ(StickDirection(32767, 20000), D::right);
  EXPECT_EQ(StickDirection(15000, -30000), D::up);
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
  held.Release(D::up);  // another direction let go: the held one goes on
  EXPECT_EQ(held.Due(late + 2 * HeldDirection::kRepeatPeriod), D::down);
  held.Release(D::down);
  EXPECT_EQ(held.Due(late + 10 * HeldDirection::kRepeatPeriod), std::nullopt);
  // Across the wrap of SDL's ticks.
  held.Press(D::left, 0xFFFFFF00u);
  EXPECT_EQ(held.Due(0xFFFFFFF0u), std::nullopt);
  EXPECT_EQ(held.Due(0xFFFFFF00u + HeldDirection::kFirstRepeat), D::left);
}

}  // namespace
}  // namespace app
