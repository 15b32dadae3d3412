#include "game/picture_fit.h"

#include <gtest/gtest.h>

namespace game {
namespace {

void ExpectRect(const PixelRect& rect, int x, int y, int width, int height) {
  EXPECT_EQ(rect.x, x);
  EXPECT_EQ(rect.y, y);
  EXPECT_EQ(rect.width, width);
  EXPECT_EQ(rect.height, height);
}

TEST(FitPicture, KeepsFourToThreeCentredWithBarsWhereTheShapesDiffer) {
  ExpectRect(FitPicture({800, 600}), 0, 0, 800, 600);
  ExpectRect(FitPicture({1600, 1200}), 0, 0, 1600, 1200);
  ExpectRect(FitPicture({1000, 600}), 100, 0, 800, 600);    // bars left and right
  ExpectRect(FitPicture({800, 800}), 0, 100, 800, 600);     // bars above and below
  ExpectRect(FitPicture({1920, 1080}), 240, 0, 1440, 1080);
  ExpectRect(FitPicture({1024, 768}), 0, 0, 1024, 768);
  ExpectRect(FitPicture({1, 1}), 0, 0, 1, 0);  // too small to hold a row: nothing drawn
  ExpectRect(FitPicture({0, 600}), 0, 0, 0, 0);
  ExpectRect(FitPicture({800, -1}), 0, 0, 0, 0);
}

TEST(WindowToPicture, MapsTheWindowOntoThePictureAtAnySize) {
  // The same window: every pixel maps to itself.
  for (int x : {0, 1, 399, 799})
    for (int y : {0, 300, 599}) {
      const auto point = WindowToPicture(x, y, {800, 600}, {800, 600});
      ASSERT_TRUE(point);
      EXPECT_EQ(point->x, x);
      EXPECT_EQ(point->y, y);
    }
  // Twice the size: two window pixels per picture pixel.
  auto point = WindowToPicture(1599, 1199, {1600, 1200}, {1600, 1200});
  ASSERT_TRUE(point);
  EXPECT_EQ(point->x, 799);
  EXPECT_EQ(point->y, 599);
  point = WindowToPicture(801, 601, {1600, 1200}, {1600, 1200});
  ASSERT_TRUE(point);
  EXPECT_EQ(point->x, 400);
  EXPECT_EQ(point->y, 300);
  // Smaller than the picture.
  point = WindowToPicture(200, 150, {400, 300}, {400, 300});
  ASSERT_TRUE(point);
  EXPECT_EQ(point->x, 401);
  EXPECT_EQ(point->y, 301);
}

TEST(WindowToPicture, TheBlackBarsHoldNoPicture) {
  const PixelSize wide{1000, 600};
  EXPECT_FALSE(WindowToPicture(0, 300, wide, wide));
  EXPECT_FALSE(WindowToPicture(99, 300, wide, wide));
  EXPECT_FALSE(WindowToPicture(900, 300, wide, wide));
  EXPECT_FALSE(WindowToPicture(999, 0, wide, wide));
  auto point = WindowToPicture(100, 0, wide, wide);
  ASSERT_TRUE(point);
  EXPECT_EQ(point->x, 0);
  EXPECT_EQ(point->y, 0);
  point = WindowToPicture(899, 599, wide, wide);
  ASSERT_TRUE(point);
  EXPECT_EQ(point->x, 799);
  EXPECT_EQ(point->y, 599);

  const PixelSize tall{800, 800};
  EXPECT_FALSE(WindowToPicture(400, 99, tall, tall));
  EXPECT_FALSE(WindowToPicture(400, 700, tall, tall));
  EXPECT_TRUE(WindowToPicture(400, 100, tall, tall));

  // Outside the window (a drag that left it) and an empty window.
  EXPECT_FALSE(WindowToPicture(-1, 10, {800, 600}, {800, 600}));
  EXPECT_FALSE(WindowToPicture(10, 600, {800, 600}, {800, 600}));
  EXPECT_FALSE(WindowToPicture(10, 10, {0, 0}, {800, 600}));
  EXPECT_FALSE(WindowToPicture(10, 10, {800, 600}, {0, 0}));
}

TEST(WindowToPicture, HiDpiWindowUnitsBecomeDrawablePixelsFirst) {
  // A window of 800 x 600 units on a screen of scale 2: 1600 x 1200 pixels.
  auto point = WindowToPicture(400, 300, {800, 600}, {1600, 1200});
  ASSERT_TRUE(point);
  EXPECT_EQ(point->x, 400);
  EXPECT_EQ(point->y, 300);
  // 1000 x 600 units at scale 2: bars of 100 units (200 pixels) on either side.
  EXPECT_FALSE(WindowToPicture(99, 300, {1000, 600}, {2000, 1200}));
  point = WindowToPicture(100, 300, {1000, 600}, {2000, 1200});
  ASSERT_TRUE(point);
  EXPECT_EQ(point->x, 0);
  point = WindowToPicture(500, 0, {1000, 600}, {2000, 1200});
  ASSERT_TRUE(point);
  EXPECT_EQ(point->x, 400);
  EXPECT_EQ(point->y, 0);
}

}  // namespace
}  // namespace game
