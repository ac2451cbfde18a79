#include "overlay/watermark_layout.h"

#include <gtest/gtest.h>

#include "overlay/test_pages.h"

namespace rastrel {
namespace {

// A 40 x 20 watermark on a 200 x 100 page with offsets (10, 5); inside the frame the area
// is (7, 3) to (187, 89), 180 x 86.
TEST(PlaceWatermark, NineAnchorsOnThePageAndInsideTheFrame) {
  struct Case {
    int position;
    WatermarkPosition page;
    WatermarkPosition frame;
  };
  const Case cases[] = {
      {0, {10, 5}, {17, 8}},     {1, {80, 5}, {77, 8}},     {2, {150, 5}, {137, 8}}, {3, {10, 40}, {17, 36}},
      {4, {80, 40}, {77, 36}},   {5, {150, 40}, {137, 36}}, {6, {10, 75}, {17, 64}}, {7, {80, 75}, {77, 64}},
      {8, {150, 75}, {137, 64}}, {9, {0, 0}, {7, 3}},       {-1, {0, 0}, {7, 3}},
  };
  for (const Case& c : cases) {
    for (int boundary : {0, 1}) {
      for (int doFrame : {0, 1, 2}) {
        Settings settings;
        settings.frame.doFrame = static_cast<Code8>(doFrame);
        settings.frame.solidLeft = 7;
        settings.frame.solidRight = 13;
        settings.frame.solidTop = 3;
        settings.frame.solidBottom = 11;
        const WatermarkPlacement placement{0, 10, 5, boundary, c.position};
        const WatermarkPosition at = PlaceWatermark(200, 100, 40, 20, settings, placement);
        // The frame boundary counts whenever a frame kind is set, drawn (1) or not (2).
        const WatermarkPosition expected = boundary == 1 && doFrame != 0 ? c.frame : c.page;
        EXPECT_EQ(at.x, expected.x) << "position " << c.position << ", boundary " << boundary << ", frame "
                                    << doFrame;
        EXPECT_EQ(at.y, expected.y) << "position " << c.position << ", boundary " << boundary << ", frame "
                                    << doFrame;
      }
    }
  }
}

TEST(FitWatermark, CropsRightAndBottomToTheRoomLeft) {
  struct Case {
    int width, height;  // watermark
    int xOffset, yOffset;
    int boundary;             // with a 5-pixel frame on every side
    int fitWidth, fitHeight;  // 0: no watermark
  };
  const Case cases[] = {
      {30, 20, 10, 5, 0, 30, 20},    // fits: unchanged
      {100, 50, 10, 5, 0, 70, 35},   // 80 x 40 page minus the offsets
      {100, 10, 10, 5, 0, 70, 10},   // only too wide
      {100, 50, 10, 5, 1, 60, 25},   // inside the frame: 70 x 30
      {100, 50, -10, 0, 0, 90, 40},  // a negative offset leaves more room
      {100, 50, 80, 5, 0, 0, 0},     // no room at all: none
      {100, 50, 10, 45, 0, 0, 0},
  };
  for (const Case& c : cases) {
    Settings settings;
    settings.frame.doFrame = 1;
    settings.frame.solidLeft = settings.frame.solidRight = settings.frame.solidTop =
        settings.frame.solidBottom = 5;
    Bitmap mark = test::FlatPage(c.width, c.height, 32, MakeRgba(1, 2, 3, 4));
    FIBITMAP* handle = mark.get();
    const Bitmap fitted = FitWatermark(std::move(mark), 80, 40, settings,
                                       WatermarkPlacement{0, c.xOffset, c.yOffset, c.boundary, 8});
    if (c.fitWidth == 0) {
      EXPECT_FALSE(fitted);
      continue;
    }
    ASSERT_TRUE(fitted);
    EXPECT_EQ(fitted.width(), static_cast<unsigned>(c.fitWidth));
    EXPECT_EQ(fitted.height(), static_cast<unsigned>(c.fitHeight));
    EXPECT_EQ(fitted.get() == handle, c.fitWidth == c.width && c.fitHeight == c.height);
  }
}

TEST(RotateWatermark, OnlyAnglesBetween1And359Rotate) {
  const int unrotated[] = {0, 360, -90, 720};
  for (int angle : unrotated) {
    Bitmap mark = test::FlatPage(30, 10, 32, MakeRgba(9, 9, 9, 255));
    FIBITMAP* handle = mark.get();
    EXPECT_EQ(RotateWatermark(std::move(mark), angle).get(), handle) << angle;
  }
  const Bitmap quarter = RotateWatermark(test::FlatPage(30, 10, 32, MakeRgba(9, 9, 9, 255)), 90);
  ASSERT_TRUE(quarter);
  EXPECT_EQ(quarter.width(), 10u);
  EXPECT_EQ(quarter.height(), 30u);
  EXPECT_EQ(test::PixelAt(quarter, 5, 15), MakeRgba(9, 9, 9, 255));
  const Bitmap slanted = RotateWatermark(test::FlatPage(30, 10, 32, MakeRgba(9, 9, 9, 255)), 45);
  ASSERT_TRUE(slanted);
  EXPECT_GT(slanted.height(), 20u);                     // the bounding box of the turned 30 x 10 box
  EXPECT_EQ(AlphaOf(test::PixelAt(slanted, 0, 0)), 0);  // transparent around the rotated box
}

}  // namespace
}  // namespace rastrel
