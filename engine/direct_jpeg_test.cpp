#include "engine/direct_jpeg.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <tiffio.h>

#include "engine/encoding.h"
#include "engine/freeimage_handles.h"
#include "engine/page_limit.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tiff_fixtures.h"

namespace rastrel {
namespace {

using fixtures::PageKind;
using fixtures::PageSpec;

ConversionTarget JpegTarget(std::int32_t flags, int depth = 0) {
  return ConversionTarget{"jpg", FIF_JPEG, depth, depth == 0, flags};
}

// What the general path writes for a page without stages: FreeImage's page, brought to
// the output depth, saved by FreeImage's JPEG writer.
std::string GeneralPathBytes(const std::string& path, int page, const ConversionTarget& target) {
  MultiBitmap file = MultiBitmap::OpenForReading(FIF_TIFF, path.c_str());
  LockedPage locked(file, page);
  Bitmap image(locked ? FreeImage_Clone(locked.get()) : nullptr);
  if (!image) return {};
  const int depth = OutputDepthForPage(target, static_cast<int>(image.bpp()));
  image = ConvertToOutputDepth(std::move(image), depth, "jpg");
  MemoryStream encoded = MemoryStream::ForWriting();
  if (!image || !FreeImage_SaveToMemory(FIF_JPEG, image.get(), encoded.get(), target.saveFlags)) return {};
  return std::string(encoded.Bytes());
}

TEST(EncodePageDirectly, WritesExactlyWhatTheGeneralPathWrites) {
  fixtures::TempFolder temp;
  const struct {
    PageSpec page;
    int sourceDepth;
    int depth;
  } pages[] = {
      {{PageKind::Rgb24Lzw, 64, 48}, 24, 24},
      {{PageKind::Rgb48, 40, 30}, 48, 24},
      {{PageKind::YCbCrJpeg, 64, 48}, 24, 24},
      {{PageKind::Grey8, 33, 17, 150.0f, RESUNIT_CENTIMETER}, 8, 8},
      {{PageKind::Grey8MinIsWhite, 32, 32, 72.0f, RESUNIT_NONE}, 8, 8},
      {{PageKind::BilevelMinIsWhiteG4, 70, 20, 204.0f}, 1, 8},
      {{PageKind::BilevelMinIsBlackG4, 13, 9}, 1, 8},
  };
  const std::int32_t flagSets[] = {
      95 | JPEG_SUBSAMPLING_444,
      100 | JPEG_SUBSAMPLING_444 | JPEG_PROGRESSIVE,
      80 | JPEG_SUBSAMPLING_420 | JPEG_OPTIMIZE,
      60 | JPEG_SUBSAMPLING_422 | JPEG_BASELINE,
      50 | JPEG_SUBSAMPLING_411,
      0,  // the writer's own default quality and sampling
  };
  int index = 0;
  for (const auto& p : pages) {
    // A second page behind a first one of another kind: directories are found by number.
    const std::string path = temp.path() + "page" + std::to_string(index++) + ".tif";
    ASSERT_TRUE(fixtures::WriteTiff(path, {PageSpec{PageKind::Palette8, 8, 8}, p.page}));
    for (const std::int32_t flags : flagSets) {
      const ConversionTarget target = JpegTarget(flags);
      const auto direct = EncodePageDirectly(path, 1, target, kDefaultMaxDecodedPageBytes);
      ASSERT_TRUE(direct) << path << " flags " << flags;
      EXPECT_EQ(direct->width, p.page.width);
      EXPECT_EQ(direct->height, p.page.height);
      EXPECT_EQ(direct->sourceDepth, p.sourceDepth);
      EXPECT_EQ(direct->depth, p.depth);
      EXPECT_TRUE(direct->jpeg == GeneralPathBytes(path, 1, target)) << path << " flags " << flags;
    }
    const std::string jpeg = EncodePageDirectly(path, 1, JpegTarget(0x1005F), ~0ull)->jpeg;
    MemoryStream stream = MemoryStream::Over(jpeg);
    Bitmap decoded(FreeImage_LoadFromMemory(FIF_JPEG, stream.get(), 0));
    // Cells of a few pixels ring more than the larger pages elsewhere.
    EXPECT_LE(fixtures::PatternDifference(decoded.get(), p.page.kind, 1), 24) << path;
  }
}

TEST(EncodePageDirectly, LeavesOtherPagesToTheGeneralPath) {
  fixtures::TempFolder temp;
  const ConversionTarget target = JpegTarget(0x1005F);
  for (const PageKind kind : {PageKind::Palette8, PageKind::Cmyk32, PageKind::Grey16}) {
    const std::string path = temp.path() + "other.tif";
    ASSERT_TRUE(fixtures::WriteTiff(path, PageSpec{kind, 16, 16}));
    EXPECT_FALSE(EncodePageDirectly(path, 0, target, kDefaultMaxDecodedPageBytes)) << static_cast<int>(kind);
  }
  const std::string rgb = temp.path() + "rgb.tif";
  ASSERT_TRUE(fixtures::WriteTiff(rgb, PageSpec{PageKind::Rgb24Lzw, 16, 16}));
  EXPECT_FALSE(EncodePageDirectly(rgb, 0, JpegTarget(0x1005F, 8), kDefaultMaxDecodedPageBytes))
      << "a colour page written as greyscale needs the depth conversion";
  EXPECT_FALSE(EncodePageDirectly(rgb, 1, target, kDefaultMaxDecodedPageBytes)) << "no such page";
  EXPECT_FALSE(EncodePageDirectly(rgb, 0, target, 16 * 16 * 4 - 1)) << "above the page limit";
  ConversionTarget png = target;
  png.extension = "png";
  png.formatId = FIF_PNG;
  EXPECT_FALSE(EncodePageDirectly(rgb, 0, png, kDefaultMaxDecodedPageBytes));

  const std::string old = temp.path() + "old.tif";
  ASSERT_TRUE(fixtures::WriteOldJpegTiff(old, {{16, 16}}));
  EXPECT_FALSE(EncodePageDirectly(old, 0, target, kDefaultMaxDecodedPageBytes));
  const std::string text = temp.path() + "text.tif";
  ASSERT_TRUE(fixtures::WriteNotATiff(text));
  EXPECT_FALSE(EncodePageDirectly(text, 0, target, kDefaultMaxDecodedPageBytes));

  // A page with an ICC profile: the general path copies it into the JPEG file.
  const std::string icc = temp.path() + "icc.tif";
  {
    TIFF* tif = TIFFOpen(icc.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    const unsigned char profile[16] = {};
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 4u);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 1u);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_ICCPROFILE, 16u, profile);
    unsigned char row[4] = {0, 85, 170, 255};
    TIFFWriteScanline(tif, row, 0, 0);
    TIFFClose(tif);
  }
  EXPECT_FALSE(EncodePageDirectly(icc, 0, target, kDefaultMaxDecodedPageBytes));
}

TEST(StagesLeavePagesUnchanged, AnyStageSwitchedOnTakesTheGeneralPath) {
  Settings settings;
  EXPECT_TRUE(StagesLeavePagesUnchanged(settings));
  void (*const switches[])(Settings&) = {
      [](Settings& s) { s.transform.doImageRotation = 1; },
      [](Settings& s) { s.transform.doImageResize = 1; },
      [](Settings& s) { s.transform.doImageFlipHorizontal = 1; },
      [](Settings& s) { s.transform.doImageFlipVertical = 1; },
      [](Settings& s) { s.adjustment.doImageColorCorrection = 1; },
      [](Settings& s) { s.adjustment.doImageGreyscale = 1; },
      [](Settings& s) { s.adjustment.doImageThreshold = 1; },
      [](Settings& s) { s.adjustment.doImageDither = 1; },
      [](Settings& s) { s.frame.doFrame = 1; },
      [](Settings& s) { s.watermark.doWatermark = 2; },
  };
  for (auto* on : switches) {
    Settings changed;
    on(changed);
    EXPECT_FALSE(StagesLeavePagesUnchanged(changed));
  }
}

}  // namespace
}  // namespace rastrel
