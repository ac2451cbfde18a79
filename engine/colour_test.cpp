#include "engine/colour.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/geometry.h"
#include "engine/test_bitmaps.h"

namespace rastrel {
namespace {

using test::kBlack;
using test::kWhite;
using test::MakeColour;
using test::PixelAt;
using test::Rgb;

using Stage = std::function<Bitmap(Bitmap, const Settings&)>;

Settings Defaults() {
  Settings settings;
  ApplyDefaults(settings, true, 0, 0, 0);
  return settings;
}

Settings Correction(int brightness, int contrast, float gamma, bool invert) {
  Settings settings = Defaults();
  settings.adjustment.doImageColorCorrection = 1;
  settings.adjustment.imageBrightness = brightness;
  settings.adjustment.imageContrast = contrast;
  settings.adjustment.imageGamma = gamma;
  settings.adjustment.imageInvert = invert ? 1 : 0;
  return settings;
}

Settings Threshold(int level) {
  Settings settings = Defaults();
  settings.adjustment.doImageThreshold = 1;
  settings.adjustment.imageThreshold = level;
  return settings;
}

Settings Dither(int code) {
  Settings settings = Defaults();
  settings.adjustment.doImageDither = 1;
  settings.adjustment.imageDitherAlgorithm = static_cast<Code8>(code);
  return settings;
}

Settings Greyscale() {
  Settings settings = Defaults();
  settings.adjustment.doImageGreyscale = 1;
  return settings;
}

// Every stage switched on, as far as a stage reads its own group.
Settings EverythingOn() {
  Settings settings = Correction(10, 10, 1.5f, true);
  settings.adjustment.doImageGreyscale = 1;
  settings.adjustment.doImageThreshold = 1;
  settings.adjustment.doImageDither = 1;
  settings.transform.doImageRotation = 1;
  settings.transform.imageRotation = 90;
  settings.transform.doImageResize = 1;
  settings.transform.imageWidth = 10;
  settings.transform.imageHeight = 10;
  return settings;
}

// A horizontal grey ramp in 24 bits, 0 at the left to 255 at the right.
Bitmap Ramp(int width = 256, int height = 4) {
  return MakeColour(width, height, 24, [width](int x, int) {
    const int v = x * 255 / (width - 1);
    return Rgb{v, v, v};
  });
}

TEST(ImageStages, HandedNothingReturnNothing) {
  const Settings settings = EverythingOn();
  const std::pair<const char*, Stage> stages[] = {
      {"rotate", RotateImage},
      {"resize", [](Bitmap b, const Settings& s) { return ResizeImage(std::move(b), 100, 100, s); }},
      {"correct", CorrectColors},
      {"greyscale", GreyscaleImage},
      {"threshold", ThresholdImage},
      {"dither", DitherImage},
  };
  for (const auto& [name, stage] : stages) {
    EXPECT_FALSE(stage(Bitmap(), settings)) << name;
  }
}

TEST(ColourStages, SwitchedOffReturnTheSamePage) {
  const Settings settings = Defaults();
  for (const Stage& stage : std::vector<Stage>{CorrectColors, GreyscaleImage, ThresholdImage, DitherImage}) {
    Bitmap page = Ramp();
    FIBITMAP* const handle = page.get();
    EXPECT_EQ(stage(std::move(page), settings).get(), handle);
  }
}

TEST(CorrectColors, NeutralValuesLeavePixelsAsTheyAre) {
  struct Case {
    const char* name;
    std::function<Bitmap()> make;
    unsigned bpp;  // after the stage
  };
  const auto pattern = [](int x, int y) { return Rgb{x * 3, y * 5, (x * y) % 256}; };
  const auto bilevel = [](int x, int y) { return (x + y) % 3 == 0; };
  const Case cases[] = {
      {"24-bit", [&] { return MakeColour(64, 48, 24, pattern); }, 24},
      {"32-bit", [&] { return MakeColour(64, 48, 32, pattern); }, 32},
      {"8-bit grey", [] { return test::MakeGrey8(64, 48, [](int x, int y) { return x * 4 + y; }); }, 8},
      {"1-bit, widened", [&] { return test::MakeBilevel(64, 48, bilevel); }, 24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bitmap original = c.make();
    const Bitmap corrected = CorrectColors(c.make(), Correction(0, 0, 1.0f, false));
    ASSERT_TRUE(corrected);
    EXPECT_EQ(corrected.bpp(), c.bpp);
    EXPECT_EQ(test::CountDifferentPixels(corrected, original, 0), 0);
  }
}

TEST(CorrectColors, EachValueReachesItsParameter) {
  // One grey level of 64 through each adjustment alone.
  struct Case {
    const char* name;
    int brightness, contrast;
    float gamma;
    bool invert;
    int expected;
  };
  const Case cases[] = {
      {"brightness -100", -100, 0, 1.0f, false, 0},
      {"brightness +50", 50, 0, 1.0f, false, 96},
      {"contrast -100", 0, -100, 1.0f, false, 128},
      {"gamma 2", 0, 0, 2.0f, false, 128},
      {"invert", 0, 0, 1.0f, true, 191},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bitmap result = CorrectColors(MakeColour(8, 8, 24,
                                                   [](int, int) {
                                                     return Rgb{64, 64, 64};
                                                   }),
                                        Correction(c.brightness, c.contrast, c.gamma, c.invert));
    ASSERT_TRUE(result);
    EXPECT_TRUE(test::Near(PixelAt(result, 3, 3), (Rgb{c.expected, c.expected, c.expected}), 1))
        << PixelAt(result, 3, 3);
  }
}

TEST(ColourStages, DepthConversions) {
  struct Case {
    const char* name;
    Stage stage;
    Settings settings;
    std::function<Bitmap()> make;
    unsigned bpp;
  };
  const auto bilevel = [] { return test::MakeBilevel(32, 8, [](int x, int) { return x >= 16; }); };
  const auto halves24 = [] {
    return MakeColour(32, 8, 24, [](int x, int) { return x >= 16 ? kWhite : kBlack; });
  };
  const auto rgb48 = [] {
    return test::MakeTyped<std::uint16_t>(FIT_RGB16, 32, 8, 48,
                                          [](int x, int) -> std::uint16_t { return x >= 16 ? 0xFFFF : 0; });
  };
  const auto grey16 = [] {
    return test::MakeTyped<std::uint16_t>(FIT_UINT16, 32, 8, 16,
                                          [](int x, int) -> std::uint16_t { return x >= 16 ? 0xFFFF : 0; });
  };
  const auto rgb555 = [] {
    Bitmap page(FreeImage_Allocate(32, 8, 16, FI16_555_RED_MASK, FI16_555_GREEN_MASK, FI16_555_BLUE_MASK));
    for (unsigned y = 0; y < 8; ++y) {
      for (unsigned x = 0; x < 32; ++x) {
        RGBQUAD q{static_cast<BYTE>(x >= 16 ? 255 : 0), static_cast<BYTE>(x >= 16 ? 255 : 0),
                  static_cast<BYTE>(x >= 16 ? 255 : 0), 0};
        FreeImage_SetPixelColor(page.get(), x, y, &q);
      }
    }
    return page;
  };
  const Settings correct = Correction(0, 0, 1.0f, false);
  const Case cases[] = {
      {"correct 1-bit", CorrectColors, correct, bilevel, 24},
      {"correct 48-bit", CorrectColors, correct, rgb48, 24},
      {"correct 16-bit 555 stays", CorrectColors, correct, rgb555, 16},
      {"greyscale 24-bit", GreyscaleImage, Greyscale(), halves24, 8},
      {"greyscale 48-bit", GreyscaleImage, Greyscale(), rgb48, 8},
      {"greyscale 16-bit grey", GreyscaleImage, Greyscale(), grey16, 8},
      {"threshold 1-bit", ThresholdImage, Threshold(128), bilevel, 1},
      {"threshold 48-bit", ThresholdImage, Threshold(128), rgb48, 1},
      {"dither 1-bit", DitherImage, Dither(0), bilevel, 1},
      {"dither 48-bit", DitherImage, Dither(2), rgb48, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bitmap result = c.stage(c.make(), c.settings);
    ASSERT_TRUE(result);
    EXPECT_EQ(result.bpp(), c.bpp);
    // Every input is black on the left and white on the right half; that survives any of
    // these conversions.
    EXPECT_TRUE(test::Near(PixelAt(result, 2, 2), kBlack, 8)) << PixelAt(result, 2, 2);
    EXPECT_TRUE(test::Near(PixelAt(result, 29, 2), kWhite, 8)) << PixelAt(result, 29, 2);
  }
}

TEST(ThresholdImage, SplitsAtTheLevelTakenAsAByte) {
  for (const int level : {128, 128 + 256, 128 - 512}) {
    SCOPED_TRACE(level);
    const Bitmap result = ThresholdImage(Ramp(), Threshold(level));
    ASSERT_TRUE(result);
    ASSERT_EQ(result.bpp(), 1u);
    for (int x = 0; x < 256; ++x) {
      ASSERT_EQ(PixelAt(result, x, 1), x >= 128 ? kWhite : kBlack) << x;
    }
  }
}

TEST(ColourStages, GreyscaleBeforeThresholdWeighsTheChannels) {
  // Pure red is a dark grey (about 54), pure green a light one (about 182).
  const Bitmap page = MakeColour(2, 1, 24, [](int x, int) {
    return x == 0 ? Rgb{255, 0, 0} : Rgb{0, 255, 0};
  });
  Settings settings = Threshold(100);
  settings.adjustment.doImageGreyscale = 1;
  Bitmap grey = GreyscaleImage(Bitmap(FreeImage_Clone(page.get())), settings);
  ASSERT_TRUE(grey);
  EXPECT_EQ(grey.bpp(), 8u);
  EXPECT_TRUE(test::Near(PixelAt(grey, 0, 0), (Rgb{54, 54, 54}), 2)) << PixelAt(grey, 0, 0);
  const Bitmap bilevel = ThresholdImage(std::move(grey), settings);
  ASSERT_TRUE(bilevel);
  EXPECT_EQ(bilevel.bpp(), 1u);
  EXPECT_EQ(PixelAt(bilevel, 0, 0), kBlack);
  EXPECT_EQ(PixelAt(bilevel, 1, 0), kWhite);
}

TEST(DitherImage, EachAlgorithmCodeUsesItsMatrix) {
  struct Case {
    int code;
    FREE_IMAGE_DITHER algorithm;
  };
  const Case cases[] = {
      {0, FID_FS},         {1, FID_BAYER4x4},     {2, FID_BAYER8x8}, {3, FID_BAYER16x16}, {4, FID_CLUSTER6x6},
      {5, FID_CLUSTER8x8}, {6, FID_CLUSTER16x16}, {7, FID_FS},       {-3, FID_FS},
  };
  const Bitmap ramp = Ramp(256, 48);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    const Bitmap expected(FreeImage_Dither(ramp.get(), c.algorithm));
    const Bitmap result = DitherImage(Bitmap(FreeImage_Clone(ramp.get())), Dither(c.code));
    ASSERT_TRUE(result);
    EXPECT_EQ(result.bpp(), 1u);
    EXPECT_EQ(test::CountDifferentPixels(result, expected, 0), 0);
  }
  // The codes are told apart only if the patterns differ on this ramp.
  const Bitmap bayer16(FreeImage_Dither(ramp.get(), FID_BAYER16x16));
  const Bitmap cluster16(FreeImage_Dither(ramp.get(), FID_CLUSTER16x16));
  const Bitmap cluster6(FreeImage_Dither(ramp.get(), FID_CLUSTER6x6));
  EXPECT_GT(test::CountDifferentPixels(bayer16, cluster16, 0), 0);
  EXPECT_GT(test::CountDifferentPixels(bayer16, cluster6, 0), 0);
}

TEST(DitherImage, AfterThresholdKeepsTheBlackAndWhitePage) {
  Settings settings = Threshold(128);
  settings.adjustment.doImageDither = 1;
  // Error diffusion and the Bayer matrices keep flat black and white; the cluster patterns
  // do not, so they are left out here.
  for (const int code : {0, 2, 3}) {
    SCOPED_TRACE(code);
    settings.adjustment.imageDitherAlgorithm = static_cast<Code8>(code);
    const Bitmap thresholded = ThresholdImage(Ramp(), settings);
    ASSERT_TRUE(thresholded);
    const Bitmap reference(FreeImage_Clone(thresholded.get()));
    const Bitmap dithered = DitherImage(Bitmap(FreeImage_Clone(thresholded.get())), settings);
    ASSERT_TRUE(dithered);
    EXPECT_EQ(dithered.bpp(), 1u);
    EXPECT_EQ(test::CountDifferentPixels(dithered, reference, 0), 0);
  }
}

}  // namespace
}  // namespace rastrel
