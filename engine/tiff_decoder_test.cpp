#include "engine/tiff_decoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "engine/diagnostics.h"
#include "engine/page_source.h"
#include "engine/tiff_handle.h"
#include "engine/tiff_orientation.h"
#include "engine/tiff_probe.h"
#include "platform/filesystem.h"
#include "tests/support/damaged_tiffs.h"
#include "tests/support/odd_tiffs.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tiff_fixtures.h"

namespace rastrel {
namespace {

using testing::CompareQuadrants;
using testing::OddTiffFamilies;
using testing::OddTiffFamily;

std::string TestName(const ::testing::TestParamInfo<OddTiffFamily>& info) {
  std::string name;
  for (char c : info.param.name) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

class FamilyTest : public ::testing::TestWithParam<OddTiffFamily> {
 protected:
  std::string Write() {
    const std::string path = folder_.path() + "page.tif";
    EXPECT_TRUE(GetParam().write(path)) << "fixture not written";
    return path;
  }
  fixtures::TempFolder folder_;
};

// Every family decodes to the expected upright pattern through libtiff, with orientation
// applied the one common way.
TEST_P(FamilyTest, DecodesUprightWithExpectedColours) {
  const OddTiffFamily& family = GetParam();
  const std::string path = Write();
  std::vector<std::string> diagnostics;
  EXPECT_EQ(CountTiffPages(path, diagnostics), family.pageCount);
  Bitmap page = DecodeTiffPage(path, family.page, diagnostics);
  ASSERT_TRUE(page) << ::testing::PrintToString(diagnostics);
  const int orientation = ReadTiffOrientation(path, family.page);
  EXPECT_EQ(orientation, family.orientation);
  page = ApplyOrientation(std::move(page), orientation);
  EXPECT_EQ(CompareQuadrants(page.get(), family), "");
}

// The pipeline's page loading: FreeImage's loader unless the page is one it gets wrong or
// gives nothing usable for, then libtiff; orientation applied either way. Every family must
// come out upright with its colours once brought to a colour JPEG's depth.
TEST_P(FamilyTest, PageSourceGivesTheRightPage) {
  const OddTiffFamily& family = GetParam();
  const std::string path = Write();
  PageSource source(path);
  EXPECT_EQ(source.PageCount(), family.pageCount);
  std::vector<std::string> messages;
  DiagnosticsCapture capture(messages);
  Bitmap page = source.Load(family.page, capture);
  ASSERT_TRUE(page) << ::testing::PrintToString(messages);
  const auto colour = FreeImage_GetColorType(page.get());
  if (FreeImage_GetImageType(page.get()) != FIT_BITMAP &&
      (colour == FIC_MINISBLACK || colour == FIC_MINISWHITE))
    page.reset(FreeImage_ConvertToStandardType(page.get(), TRUE));  // the greyscale normalisation
  Bitmap rgb(FreeImage_ConvertTo24Bits(page.get()));
  OddTiffFamily opaque = family;
  opaque.checkAlpha = false;  // alpha is dropped: what shows is the straight colour
  EXPECT_EQ(CompareQuadrants(rgb.get(), opaque), "") << ::testing::PrintToString(messages);
}

// The careful second attempt reads every family with libtiff alone, just as well.
TEST_P(FamilyTest, PageSourceWithoutFreeImageGivesTheRightPage) {
  const OddTiffFamily& family = GetParam();
  const std::string path = Write();
  PageSource source(path, true);
  EXPECT_EQ(source.PageCount(), family.pageCount);
  std::vector<std::string> messages;
  DiagnosticsCapture capture(messages);
  Bitmap page = source.Load(family.page, capture);
  EXPECT_EQ(CompareQuadrants(page.get(), family), "") << ::testing::PrintToString(messages);
}

INSTANTIATE_TEST_SUITE_P(OddTiffs, FamilyTest, ::testing::ValuesIn(OddTiffFamilies()), TestName);

TEST(TiffDecoder, RefusesPagesAboveTheSizeLimitBeforeAllocating) {
  fixtures::TempFolder folder;
  const std::string path = folder.path() + "huge.tif";
  {
    // A header that declares 200000 x 200000 RGB pixels and stores 16 bytes of them.
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 200000u);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 200000u);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 200000u);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    char bytes[16] = {};
    TIFFWriteRawStrip(tif, 0, bytes, sizeof bytes);
    TIFFWriteDirectory(tif);
    TIFFClose(tif);
  }
  std::vector<std::string> diagnostics;
  EXPECT_FALSE(DecodeTiffPage(path, 0, diagnostics));
  ASSERT_FALSE(diagnostics.empty());
  EXPECT_NE(diagnostics.back().find("larger than the decoder accepts"), std::string::npos)
      << ::testing::PrintToString(diagnostics);

  // The limit is the caller's: a normal page is refused under a tiny one.
  const std::string small = folder.path() + "small.tif";
  ASSERT_TRUE(OddTiffFamilies().front().write(small));
  diagnostics.clear();
  EXPECT_FALSE(DecodeTiffPage(small, 0, diagnostics, TiffDecodeLimits{1000}));
  EXPECT_TRUE(DecodeTiffPage(small, 0, diagnostics, TiffDecodeLimits{32 * 24 * 4}));
}

// A moved handle leaves nothing behind to close a second time.
TEST(TiffHandle, MovingHandsOverTheOneHandle) {
  fixtures::TempFolder folder;
  const std::string path = folder.path() + "page.tif";
  ASSERT_TRUE(OddTiffFamilies().front().write(path));
  std::vector<std::string> diagnostics;
  TiffHandle first = OpenTiffForReading(path, diagnostics);
  TIFF* const raw = first.get();
  ASSERT_NE(raw, nullptr);
  TiffHandle second(std::move(first));
  EXPECT_EQ(first.get(), nullptr);  // NOLINT(bugprone-use-after-move): what is checked
  EXPECT_EQ(second.get(), raw);
  TiffHandle third;
  third = std::move(second);
  EXPECT_EQ(second.get(), nullptr);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(third.get(), raw);
  EXPECT_EQ(TIFFNumberOfDirectories(third.get()), 1u);
}

// Complex samples (radar, signal data) are numbers with no one way to show them.
TEST(TiffDecoder, RefusesComplexSamplesWithAReason) {
  fixtures::TempFolder folder;
  for (const int format : {SAMPLEFORMAT_COMPLEXINT, SAMPLEFORMAT_COMPLEXIEEEFP}) {
    const std::string path = folder.path() + "complex" + std::to_string(format) + ".tif";
    {
      TIFF* tif = TIFFOpen(path.c_str(), "w");
      ASSERT_NE(tif, nullptr);
      TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 4u);
      TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 2u);
      TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 64);
      TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
      TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, format);
      TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
      TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 2u);
      char bytes[4 * 2 * 8] = {};
      TIFFWriteEncodedStrip(tif, 0, bytes, sizeof bytes);
      TIFFWriteDirectory(tif);
      TIFFClose(tif);
    }
    std::vector<std::string> diagnostics;
    EXPECT_FALSE(DecodeTiffPage(path, 0, diagnostics));
    EXPECT_NE(
        std::find(diagnostics.begin(), diagnostics.end(), "TIFF page holds complex numbers, not a picture"),
        diagnostics.end())
        << ::testing::PrintToString(diagnostics);
  }
}

TEST(TiffDecoder, LibtiffMessagesGoToTheCallerNotTheConsole) {
  fixtures::TempFolder folder;
  const std::string good = folder.path() + "good.tif";
  ASSERT_TRUE(OddTiffFamilies().front().write(good));
  // Cut the pixel data short: libtiff complains about every strip it cannot read.
  const std::string broken = folder.path() + "broken.tif";
  std::filesystem::copy_file(good, broken);
  std::filesystem::resize_file(broken, 600);

  ::testing::internal::CaptureStderr();
  std::vector<std::string> goodDiagnostics, brokenDiagnostics;
  std::thread other([&] {
    for (int i = 0; i < 20; ++i) EXPECT_TRUE(DecodeTiffPage(good, 0, goodDiagnostics));
  });
  for (int i = 0; i < 20; ++i) DecodeTiffPage(broken, 0, brokenDiagnostics);
  other.join();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(goodDiagnostics.empty()) << ::testing::PrintToString(goodDiagnostics);
  EXPECT_FALSE(brokenDiagnostics.empty());
  EXPECT_FALSE(DecodeTiffPage(folder.path() + "missing.tif", 0, brokenDiagnostics));
  EXPECT_FALSE(DecodeTiffPage(good, 1, brokenDiagnostics));  // no such page
}

// Damaged files of every layout end in an image or a refusal, never in a crash or a read
// outside a buffer (the sanitizer build watches): cut short, and with bytes overwritten all
// over the directory and the data.
TEST(TiffDecoder, SurvivesDamageToEveryLayout) {
  fixtures::TempFolder folder;
  const std::string sound = folder.path() + "sound.tif";
  const std::string damaged = folder.path() + "damaged.tif";
  int decoded = 0, refused = 0;
  auto decodeAll = [&](const std::string& path) {
    std::vector<std::string> diagnostics;
    for (int page = 0; page < 3; ++page) (DecodeTiffPage(path, page, diagnostics) ? decoded : refused)++;
  };
  for (const OddTiffFamily& family : OddTiffFamilies()) {
    ASSERT_TRUE(family.write(sound)) << family.name;
    const std::string bytes = ReadWholeFile(sound).value_or(std::string());
    ASSERT_GT(bytes.size(), 16u) << family.name;
    auto writeAndDecode = [&](const std::string& content) {
      std::ofstream(damaged, std::ios::binary | std::ios::trunc)
          .write(content.data(), static_cast<std::streamsize>(content.size()));
      decodeAll(damaged);
    };
    for (std::size_t length : {std::size_t{8}, std::size_t{100}, bytes.size() / 2, bytes.size() - 9})
      writeAndDecode(bytes.substr(0, length));
    // One byte in seven overwritten, at a different phase each time.
    for (std::size_t start = 0; start < 7; ++start) {
      std::string copy = bytes;
      for (std::size_t i = start; i < copy.size(); i += 7)
        copy[i] = static_cast<char>(copy[i] ^ (0x5A + start));
      writeAndDecode(copy);
    }
  }
  for (const fixtures::NamedFile& file : fixtures::DamagedTiffs())
    decodeAll(folder.Write("named.tif", file.bytes));
  EXPECT_GT(decoded, 0);
  EXPECT_GT(refused, 0);
}

// FreeImage's loader turns CMYK into RGB with (1 - ink) x (1 - black); pages that reach
// libtiff instead must look the same, whatever the ink mix.
TEST(TiffDecoder, CmykMatchesFreeImage) {
  fixtures::TempFolder folder;
  const std::string path = folder.path() + "cmyk.tif";
  testing::QuadrantPage page;
  page.samplesPerPixel = 4;
  page.photometric = PHOTOMETRIC_SEPARATED;
  page.sample = [](int q, int c) {
    constexpr int inks[4][4] = {{255, 0, 0, 128}, {10, 200, 30, 60}, {0, 0, 0, 255}, {128, 64, 192, 0}};
    return inks[q][c];
  };
  ASSERT_TRUE(testing::WriteQuadrantTiff(path, page));
  std::vector<std::string> diagnostics;
  Bitmap ours = DecodeTiffPage(path, 0, diagnostics);
  Bitmap theirs(FreeImage_Load(FIF_TIFF, path.c_str(), 0));
  ASSERT_TRUE(ours);
  ASSERT_TRUE(theirs);
  for (unsigned y : {5u, 18u})
    for (unsigned x : {5u, 25u}) {
      const auto a = testing::PixelAt(ours.get(), x, y), b = testing::PixelAt(theirs.get(), x, y);
      EXPECT_NEAR(a.r, b.r, 1);
      EXPECT_NEAR(a.g, b.g, 1);
      EXPECT_NEAR(a.b, b.b, 1);
    }
}

// Old-style JPEG pages decode from their own stream, each page its own picture, with or
// without the interchange-format tags that point at it.
TEST(TiffDecoder, OldStyleJpegPages) {
  fixtures::TempFolder folder;
  for (bool interchange : {true, false}) {
    const std::string path = folder.path() + (interchange ? "with.tif" : "without.tif");
    ASSERT_TRUE(fixtures::WriteOldJpegTiff(path, {{64, 48}, {64, 48}, {64, 48}}, interchange));
    std::vector<std::string> diagnostics;
    ASSERT_EQ(CountTiffPages(path, diagnostics), 3);
    for (int page = 0; page < 3; ++page) {
      Bitmap image = DecodeTiffPage(path, page, diagnostics);
      ASSERT_TRUE(image) << ::testing::PrintToString(diagnostics);
      EXPECT_LE(fixtures::PatternDifference(image.get(), fixtures::PageKind::Rgb24Lzw, page), 24)
          << "page " << page << (interchange ? " with" : " without") << " interchange tags";
    }
  }
}

}  // namespace
}  // namespace rastrel
