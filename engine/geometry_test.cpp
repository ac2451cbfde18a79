#include "engine/geometry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/test_bitmaps.h"

namespace rastrel {
namespace {

using test::kBlack;
using test::MakeColour;
using test::PixelAt;
using test::Rgb;

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};

Settings Defaults() {
  Settings settings;
  ApplyDefaults(settings, true, 0, 0, 0);
  return settings;
}

Settings Rotation(int angle, int type = 0, const std::string& backColour = "000000") {
  Settings settings = Defaults();
  settings.transform.doImageRotation = 1;
  settings.transform.imageRotation = angle;
  settings.transform.imageRotationType = static_cast<Code8>(type);
  settings.transform.imageRotationBackColor = backColour;
  return settings;
}

// 100 x 50, black, with a red top-left and a green top-right pixel.
Bitmap MarkedPage(unsigned bpp = 24) {
  return MakeColour(100, 50, bpp, [](int x, int y) {
    if (y == 0 && x == 0) return kRed;
    if (y == 0 && x == 99) return kGreen;
    return kBlack;
  });
}

TEST(RotateImage, QuarterTurnsMoveTheCornersCounterClockwise) {
  struct Case {
    int angle;
    unsigned width, height;
    int redX, redY, greenX, greenY;
  };
  const Case cases[] = {
      {90, 50, 100, 0, 99, 0, 0},
      {180, 100, 50, 99, 49, 0, 49},
      {270, 50, 100, 49, 0, 49, 99},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.angle);
    const Bitmap rotated = RotateImage(MarkedPage(), Rotation(c.angle));
    ASSERT_TRUE(rotated);
    EXPECT_EQ(rotated.width(), c.width);
    EXPECT_EQ(rotated.height(), c.height);
    EXPECT_EQ(rotated.bpp(), 24u);
    EXPECT_EQ(PixelAt(rotated, c.redX, c.redY), kRed);
    EXPECT_EQ(PixelAt(rotated, c.greenX, c.greenY), kGreen);
  }
}

TEST(RotateImage, OutOfRangeAnglesAndSwitchOffLeaveThePageAlone) {
  Settings off = Rotation(90);
  off.transform.doImageRotation = 0;
  const Settings cases[] = {off, Rotation(0), Rotation(360), Rotation(-90), Rotation(450)};
  for (const Settings& settings : cases) {
    SCOPED_TRACE(settings.transform.imageRotation);
    Bitmap page = test::MakeGrey8(100, 50, [](int x, int) { return x; });
    FIBITMAP* const handle = page.get();
    const Bitmap result = RotateImage(std::move(page), settings);
    EXPECT_EQ(result.get(), handle);
    EXPECT_EQ(result.bpp(), 8u);
  }
}

TEST(RotateImage, WidensEveryDepthOutside24And32Bits) {
  struct Case {
    const char* name;
    Bitmap page;
    unsigned bpp;
  };
  std::vector<Case> cases;
  cases.push_back({"1-bit", test::MakeBilevel(100, 50, [](int x, int y) { return x == 0 && y == 0; }), 24});
  cases.push_back(
      {"8-bit grey", test::MakeGrey8(100, 50, [](int x, int y) { return x == 0 && y == 0 ? 255 : 0; }), 24});
  cases.push_back({"32-bit", MarkedPage(32), 32});
  // Sample types the library's own widening refuses: a 16-bit grey scan must not fail.
  cases.push_back({"16-bit grey",
                   test::MakeTyped<std::uint16_t>(
                       FIT_UINT16, 100, 50, 16,
                       [](int x, int y) -> std::uint16_t { return x == 0 && y == 0 ? 60000 : 0; }),
                   24});
  cases.push_back({"48-bit",
                   test::MakeTyped<std::uint16_t>(
                       FIT_RGB16, 100, 50, 48,
                       [](int x, int y) -> std::uint16_t { return x == 0 && y == 0 ? 0xFFFF : 0; }),
                   24});
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    // 180 degrees is a turn the library could do at any depth; the page is widened anyway.
    const Bitmap rotated = RotateImage(std::move(c.page), Rotation(180));
    ASSERT_TRUE(rotated);
    EXPECT_EQ(rotated.bpp(), c.bpp);
    EXPECT_EQ(rotated.width(), 100u);
    EXPECT_NE(PixelAt(rotated, 99, 49), kBlack) << "the marked corner travels to the opposite one";
    EXPECT_EQ(PixelAt(rotated, 0, 0), kBlack);
  }
}

TEST(RotateImage, SimpleRotationFillsTheCornersWithTheBackgroundColour) {
  struct Case {
    std::string text;
    Rgb expected;
  };
  const Case cases[] = {
      {"FF8000", {255, 128, 0}}, {"ff8000", {255, 128, 0}},
      {"00ff7f", {0, 255, 127}}, {"FF80", kBlack},       // not six characters: black
      {"FF80001", kBlack},       {"1G2H3I", {1, 2, 3}},  // a pair stops at its first non-digit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const Bitmap rotated =
        RotateImage(MakeColour(100, 50, 24, [](int, int) { return kBlue; }), Rotation(45, 0, c.text));
    ASSERT_TRUE(rotated);
    EXPECT_GT(rotated.width(), 100u);  // the canvas grows to hold the whole turned page
    EXPECT_EQ(PixelAt(rotated, 0, 0), c.expected);
    EXPECT_EQ(PixelAt(rotated, static_cast<int>(rotated.width() / 2), static_cast<int>(rotated.height() / 2)),
              kBlue);
  }
}

TEST(RotateImage, AdvancedRotationTurnsAboutTheCentreOnTheSameCanvas) {
  // Left half red, right half blue. A quarter turn counter-clockwise about the centre puts
  // the red half below the centre, still on a 100 x 50 canvas.
  const Bitmap rotated =
      RotateImage(MakeColour(100, 50, 24, [](int x, int) { return x < 50 ? kRed : kBlue; }), Rotation(90, 1));
  ASSERT_TRUE(rotated);
  EXPECT_EQ(rotated.width(), 100u);
  EXPECT_EQ(rotated.height(), 50u);
  EXPECT_TRUE(test::Near(PixelAt(rotated, 50, 45), kRed, 8)) << PixelAt(rotated, 50, 45);
  EXPECT_TRUE(test::Near(PixelAt(rotated, 50, 5), kBlue, 8)) << PixelAt(rotated, 50, 5);
}

TEST(RotateImage, UnknownTypeWidensButDoesNotTurn) {
  const Bitmap result = RotateImage(
      test::MakeGrey8(100, 50, [](int x, int y) { return x == 0 && y == 0 ? 200 : 0; }), Rotation(90, 2));
  ASSERT_TRUE(result);
  EXPECT_EQ(result.bpp(), 24u);
  EXPECT_EQ(result.width(), 100u);
  EXPECT_EQ(PixelAt(result, 0, 0), (Rgb{200, 200, 200}));
}

struct ResizeCase {
  const char* name;
  int sourceWidth, sourceHeight;
  int width, widthUnit, height, heightUnit;
  bool keepAspectRatio;
  int type;                           // 0 all images, 1 large images
  int expectedWidth, expectedHeight;  // 0 x 0: the very same page comes back
};

Settings Resize(const ResizeCase& c) {
  Settings settings = Defaults();
  settings.transform.doImageResize = 1;
  settings.transform.imageWidth = c.width;
  settings.transform.imageWidthUnit = static_cast<Code8>(c.widthUnit);
  settings.transform.imageHeight = c.height;
  settings.transform.imageHeightUnit = static_cast<Code8>(c.heightUnit);
  settings.transform.keepAspectRatio = c.keepAspectRatio ? 1 : 0;
  settings.transform.imageResizeType = static_cast<Code8>(c.type);
  return settings;
}

TEST(ResizeImage, TargetSizes) {
  constexpr int px = 0, pc = 1;
  const ResizeCase cases[] = {
      {"percent, halves to even", 101, 51, 50, pc, 50, pc, false, 0, 50, 26},
      {"percent, ratio kept", 101, 51, 50, pc, 50, pc, true, 0, 50, 25},
      {"landscape keeps its width", 2000, 1500, 800, px, 800, px, true, 0, 800, 600},
      {"portrait keeps its height", 1500, 2000, 800, px, 800, px, true, 0, 600, 800},
      {"ratio in single precision", 64, 7, 800, px, 800, px, true, 0, 800, 87},
      {"pixels and percent mixed", 101, 51, 300, px, 50, pc, false, 0, 300, 26},
      {"enlarging", 640, 480, 800, px, 600, px, false, 0, 800, 600},
      {"large images: smaller page left alone", 640, 480, 800, px, 600, px, false, 1, 0, 0},
      {"large images: one side reaches the target", 640, 700, 800, px, 600, px, true, 1, 549, 600},
      {"already at the target size", 800, 600, 800, px, 600, px, false, 0, 0, 0},
      {"zero height even with the ratio kept", 2000, 1500, 800, px, 0, px, true, 0, 0, 0},
      {"negative width", 2000, 1500, -800, px, 600, px, false, 0, 0, 0},
      {"unknown unit", 2000, 1500, 800, 2, 600, px, false, 0, 0, 0},
  };
  constexpr Rgb kColour{40, 120, 200};
  for (const ResizeCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bitmap page = test::MakeFlat(c.sourceWidth, c.sourceHeight, kColour);
    FIBITMAP* const handle = page.get();
    const Bitmap result = ResizeImage(std::move(page), c.sourceWidth, c.sourceHeight, Resize(c));
    ASSERT_TRUE(result);
    if (c.expectedWidth == 0) {
      EXPECT_EQ(result.get(), handle);
      continue;
    }
    EXPECT_EQ(result.width(), static_cast<unsigned>(c.expectedWidth));
    EXPECT_EQ(result.height(), static_cast<unsigned>(c.expectedHeight));
    EXPECT_TRUE(test::Near(PixelAt(result, c.expectedWidth / 2, c.expectedHeight / 2), kColour, 2));
  }
}

TEST(ResizeImage, SwitchedOffOrHandedNothing) {
  ResizeCase c{"", 100, 100, 50, 0, 50, 0, false, 0, 0, 0};
  Settings off = Resize(c);
  off.transform.doImageResize = 0;
  Bitmap page = MakeColour(100, 100, 24, [](int, int) { return kBlue; });
  FIBITMAP* const handle = page.get();
  EXPECT_EQ(ResizeImage(std::move(page), 100, 100, off).get(), handle);
  EXPECT_FALSE(ResizeImage(Bitmap(), 100, 100, Resize(c)));
}

TEST(ResizeImage, DerivedSideOfZeroEndsThePage) {
  // 1000 x 1 scaled to width 10 with the ratio kept: the height rounds to 0.
  const ResizeCase c{"", 1000, 1, 10, 0, 10, 0, true, 0, 0, 0};
  EXPECT_FALSE(ResizeImage(MakeColour(1000, 1, 24, [](int, int) { return kBlue; }), 1000, 1, Resize(c)));
}

TEST(ResizeImage, EachAlgorithmCodeUsesItsFilter) {
  struct Case {
    int code;
    FREE_IMAGE_FILTER filter;
  };
  const Case cases[] = {
      {0, FILTER_BOX},        {1, FILTER_BILINEAR}, {2, FILTER_BSPLINE}, {3, FILTER_BICUBIC},
      {4, FILTER_CATMULLROM}, {5, FILTER_LANCZOS3}, {9, FILTER_BICUBIC}, {-1, FILTER_BICUBIC},
  };
  // A busy pattern, so that every filter leaves its own trace.
  const auto pattern = [](int x, int y) {
    const unsigned v = static_cast<unsigned>(x * 7919 + y * 104729) * 2654435761u;
    return Rgb{static_cast<int>(v >> 24), static_cast<int>(v >> 16 & 0xFF), static_cast<int>(v >> 8 & 0xFF)};
  };
  ResizeCase target{"", 40, 40, 17, 0, 13, 0, false, 0, 0, 0};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    Settings settings = Resize(target);
    settings.transform.imageResizeAlgorithm = static_cast<Code8>(c.code);
    const Bitmap source = MakeColour(40, 40, 24, pattern);
    const Bitmap expected(FreeImage_Rescale(source.get(), 17, 13, c.filter));
    const Bitmap result = ResizeImage(MakeColour(40, 40, 24, pattern), 40, 40, settings);
    ASSERT_TRUE(result);
    ASSERT_EQ(result.width(), 17u);
    EXPECT_EQ(test::CountDifferentPixels(result, expected, 0), 0);
    // The mapping is only shown if the neighbouring filter would have given another page.
    const FREE_IMAGE_FILTER other = c.filter == FILTER_BICUBIC ? FILTER_CATMULLROM : FILTER_BICUBIC;
    const Bitmap different(FreeImage_Rescale(source.get(), 17, 13, other));
    EXPECT_GT(test::CountDifferentPixels(result, different, 0), 0);
  }
}

TEST(FlipImage, MirrorsInPlace) {
  struct Case {
    bool horizontal, vertical;
  };
  const Case cases[] = {{true, false}, {false, true}, {true, true}, {false, false}};
  const auto pattern = [](int x, int y) { return Rgb{x * 80, y * 100, 7}; };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "horizontal " << c.horizontal << ", vertical " << c.vertical);
    Settings settings = Defaults();
    settings.transform.doImageFlipHorizontal = c.horizontal ? 1 : 0;
    settings.transform.doImageFlipVertical = c.vertical ? 1 : 0;
    const Bitmap page = MakeColour(3, 2, 24, pattern);
    FlipImage(page, settings);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(PixelAt(page, x, y), pattern(c.horizontal ? 2 - x : x, c.vertical ? 1 - y : y))
            << x << "," << y;
      }
    }
  }
  FlipImage(Bitmap(), Defaults());  // handed nothing: nothing to do
}

}  // namespace
}  // namespace rastrel
