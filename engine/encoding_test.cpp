#include "engine/encoding.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/tiff_fixtures.h"

namespace rastrel {
namespace {

TEST(ComputeSaveFlags, FollowsThePerFormatSettings) {
  struct Case {
    const char* extension;
    void (*set)(OutputSettings&);
    std::int32_t flags;
  };
  const Case cases[] = {
      {"jpg", [](OutputSettings&) {}, 0x1005F},  // quality 95, 4:4:4
      {"jpg", [](OutputSettings& o) { o.jpgQuality = 100, o.jpgSaveAs = 3; }, 0x12064},
      {"jpg", [](OutputSettings& o) { o.jpgQuality = 80, o.jpgChroma = 2, o.jpgSaveAs = 2; },
       80 | 0x4000 | 0x20000},
      {"jpg", [](OutputSettings& o) { o.jpgChroma = 3, o.jpgSaveAs = 1; }, 95 | 0x1000 | 0x40000},
      {"jpg", [](OutputSettings& o) { o.jpgChroma = 9, o.jpgSaveAs = -1; }, 95},  // unknown codes add nothing
      {"bmp", [](OutputSettings& o) { o.bmpCompression = 1; }, 1},
      {"bmp", [](OutputSettings& o) { o.bmpCompression = 2; }, 0},
      {"exr", [](OutputSettings& o) { o.exrCompression = 4; }, 0x20},
      {"exr", [](OutputSettings& o) { o.exrCompression = 5; }, 0},
      {"jxr", [](OutputSettings&) {}, 100},
      {"png", [](OutputSettings& o) { o.pngCompression = 0, o.pngInterlaced = 1; }, 0x300},
      {"png", [](OutputSettings& o) { o.pngCompression = 3; }, 9},
      {"png", [](OutputSettings& o) { o.pngCompression = 7; }, 0},
      {"tga", [](OutputSettings& o) { o.tgaCompression = 1; }, 2},
      {"tiff", [](OutputSettings& o) { o.tiffCompression = 6, o.tiffColorMode = 1; }, 0x4001},
      {"tiff", [](OutputSettings& o) { o.tiffCompression = 8, o.tiffColorMode = 2; },
       0x10000},  // LAB adds none
      {"tiff", [](OutputSettings& o) { o.tiffCompression = 9; }, 0},
      {"webp", [](OutputSettings&) {}, 0x100},  // quality 100 means lossless, not 100
      {"webp", [](OutputSettings& o) { o.webpQuality = 75; }, 75},
      {"gif", [](OutputSettings&) {}, 0},
      {"dds", [](OutputSettings&) {}, 0},
      {"xyz", [](OutputSettings&) {}, 0},
  };
  for (const Case& c : cases) {
    Settings settings;
    c.set(settings.output);
    EXPECT_EQ(ComputeSaveFlags(settings, c.extension), c.flags) << c.extension;
  }
}

TEST(ChooseAutomaticDepth, TakesTheFirstDepthThatHoldsTheSource) {
  const std::vector<int> jpg{8, 24};
  const std::vector<int> tiff{1, 4, 8, 24, 32, 48, 96};
  const struct {
    const std::vector<int>* list;
    int source, depth;
  } cases[] = {
      {&jpg, 1, 8},   {&jpg, 4, 8},   {&jpg, 8, 8},   {&jpg, 16, 24},  {&jpg, 24, 24},
      {&jpg, 32, 24}, {&jpg, 48, 24}, {&jpg, 64, 24}, {&tiff, 16, 24}, {&tiff, 128, 96},
  };
  for (const auto& c : cases) EXPECT_EQ(ChooseAutomaticDepth(*c.list, c.source), c.depth) << c.source;
  EXPECT_EQ(ChooseAutomaticDepth({}, 24), 0);
}

TEST(OutputDepthForPage, AutomaticFollowsTheSourceAndLeavesTheTargetAlone) {
  ConversionTarget target;
  target.extension = "jpg";
  target.automatic = true;
  EXPECT_EQ(OutputDepthForPage(target, 1), 8);
  EXPECT_EQ(OutputDepthForPage(target, 48), 24);
  EXPECT_EQ(target.depth, 0);
  target.automatic = false;
  target.depth = 8;
  EXPECT_EQ(OutputDepthForPage(target, 48), 8);
}

// A page widened past the depth chosen for its source keeps its colour, and only then.
TEST(OutputDepthForImage, ColourThatAStageOrDecoderAddedIsNotDropped) {
  const auto page = [](int bpp, bool oneColouredPixel) {
    Bitmap image(FreeImage_Allocate(16, 8, bpp));
    if (oneColouredPixel) FreeImage_GetScanLine(image.get(), 7)[15 * (bpp / 8) + FI_RGBA_RED] = 200;
    return image;
  };
  ConversionTarget target;
  target.extension = "jpg";
  target.automatic = true;
  const struct {
    int sourceDepth;
    Bitmap image;
    int expected;
  } cases[] = {
      {1, page(24, false), 8},  // a fax widened by a stage, still grey
      {1, page(24, true), 24},  // ... with a coloured frame on it
      {2, page(32, true), 24},  // a small palette decoded to RGBA
      {8, page(8, false), 8},  {24, page(24, true), 24},
  };
  for (const auto& c : cases)
    EXPECT_EQ(OutputDepthForImage(target, c.sourceDepth, c.image), c.expected) << c.sourceDepth;
  target.automatic = false;
  target.depth = 8;
  EXPECT_EQ(OutputDepthForImage(target, 1, page(24, true)), 8);  // asked for, so given
}

Bitmap LoadFixture(fixtures::PageKind kind, const std::string& path) {
  if (!fixtures::WriteTiff(path, {kind, 32, 16})) return Bitmap();
  return Bitmap(FreeImage_Load(FIF_TIFF, path.c_str(), 0));
}

TEST(ConvertToOutputDepth, ProducesTheDepthTheFormatExpects) {
  using fixtures::PageKind;
  const std::string path = ::testing::TempDir() + "depth_fixture.tif";
  const struct {
    PageKind kind;
    int depth;
    const char* extension;
    unsigned bpp;
    FREE_IMAGE_COLOR_TYPE colour;
  } cases[] = {
      {PageKind::Rgb24Lzw, 8, "jpg", 8, FIC_MINISBLACK},  // greyscale for JPEG-like formats
      {PageKind::Rgb24Lzw, 8, "png", 8, FIC_PALETTE},     // quantised for the others
      {PageKind::Grey8, 8, "gif", 8, FIC_MINISBLACK},     // already 8 bits: kept as it is
      {PageKind::BilevelMinIsWhiteG4, 8, "jpg", 8, FIC_MINISWHITE},
      {PageKind::Rgb48, 24, "jpg", 24, FIC_RGB},
      {PageKind::Rgb48, 8, "jpg", 8, FIC_MINISBLACK},  // wide samples go through 24 bits
      {PageKind::Rgb24Lzw, 1, "png", 1, FIC_MINISBLACK},
      {PageKind::Rgb24Lzw, 4, "bmp", 4, FIC_PALETTE},
      {PageKind::Rgb24Lzw, 32, "png", 32, FIC_RGB},  // opaque alpha
      {PageKind::Grey8, 48, "png", 48, FIC_RGB},
  };
  for (const auto& c : cases) {
    Bitmap image = ConvertToOutputDepth(LoadFixture(c.kind, path), c.depth, c.extension);
    ASSERT_TRUE(image) << c.depth << " " << c.extension;
    EXPECT_EQ(image.bpp(), c.bpp) << c.depth << " " << c.extension;
    EXPECT_EQ(FreeImage_GetColorType(image.get()), c.colour) << c.depth << " " << c.extension;
    EXPECT_EQ(image.width(), 32u);
  }
}

TEST(ConvertToOutputDepth, SixteenBitsAre565ExceptForIconsAndTarga) {
  const std::string path = ::testing::TempDir() + "depth16.tif";
  for (const char* extension : {"bmp", "tga", "ico"}) {
    Bitmap image = ConvertToOutputDepth(LoadFixture(fixtures::PageKind::Rgb24Lzw, path), 16, extension);
    ASSERT_TRUE(image) << extension;
    const bool is565 = FreeImage_GetGreenMask(image.get()) == FI16_565_GREEN_MASK;
    EXPECT_EQ(is565, std::string(extension) == "bmp") << extension;
  }
}

TEST(ConvertToOutputDepth, KeepsAnImageOfTheRightDepthAndRefusesUnknownDepths) {
  const std::string path = ::testing::TempDir() + "depth_same.tif";
  Bitmap image = LoadFixture(fixtures::PageKind::Rgb24Lzw, path);
  FIBITMAP* original = image.get();
  image = ConvertToOutputDepth(std::move(image), 24, "jpg");
  EXPECT_EQ(image.get(), original);
  EXPECT_FALSE(ConvertToOutputDepth(std::move(image), 12, "jpg"));
  EXPECT_FALSE(ConvertToOutputDepth(Bitmap(), 24, "jpg"));
}

}  // namespace
}  // namespace rastrel
