#include "engine/page_limit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "engine/convert.h"
#include "engine/encoding.h"
#include "engine/old_jpeg.h"
#include "platform/filesystem.h"
#include "tests/support/damaged_tiffs.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tiff_fixtures.h"

namespace rastrel {
namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
constexpr std::uint32_t kMax32 = std::numeric_limits<std::uint32_t>::max();

TEST(PageLimit, DecodedSizeCountsFourBytesAPixelOrTheStoredWidth) {
  const struct {
    DeclaredPage page;
    std::uint64_t bytes;
  } cases[] = {
      {{16384, 16384, 24}, std::uint64_t{1} << 30},          // exactly the default limit
      {{100000, 100000, 1}, std::uint64_t{40'000'000'000}},  // a fax page counts as 32 bits too
      {{8192, 8192, 64}, std::uint64_t{512} * kMiB},         // 16-bit RGBA keeps 8 bytes
      {{10, 10, 128}, 1600},                                 // float RGBA
      {{10, 10, 12}, 400},                                   // odd widths round up to 4 bytes
      {{0, 48, 24}, 0},
      {{kMax32, kMax32, kMax32}, std::numeric_limits<std::uint64_t>::max()},  // saturates
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodedPageBytes(c.page), c.bytes)
        << c.page.width << " x " << c.page.height << " x " << c.page.bitsPerPixel;
  }
}

TEST(PageLimit, RefusalSaysWhatThePageDeclaresAndTheLimit) {
  EXPECT_EQ(PageSizeRefusal({16384, 16384, 24}, kDefaultMaxDecodedPageBytes), "");
  EXPECT_EQ(PageSizeRefusal({16384, 16385, 24}, kDefaultMaxDecodedPageBytes),
            "page of 16384 x 16385 pixels at 24 bits would take 1025 MiB decoded, more than the 1024 MiB "
            "a page may take; not decoded");
  EXPECT_NE(PageSizeRefusal({kMax32, kMax32, 24}, kDefaultMaxDecodedPageBytes), "");
}

TEST(PageLimit, SettingsChooseTheLimitAndNothingMeansTheDefault) {
  Settings settings;
  EXPECT_EQ(MaxDecodedPageBytes(settings), kDefaultMaxDecodedPageBytes);
  for (const auto& [megabytes, bytes] :
       {std::pair{0, kDefaultMaxDecodedPageBytes}, std::pair{-5, kDefaultMaxDecodedPageBytes},
        std::pair{1, kMiB},
        std::pair{std::numeric_limits<std::int32_t>::max(),
                  std::uint64_t{std::numeric_limits<std::int32_t>::max()} * kMiB}}) {
    settings.advanced.maxPageMegabytes = megabytes;
    EXPECT_EQ(MaxDecodedPageBytes(settings), bytes) << megabytes;
  }
}

// A batch writing JPEG files into <temp>/out/.
struct Batch {
  fixtures::TempFolder temp;
  Settings settings;
  ConversionTarget target{"jpg", FIF_JPEG, 0, true, 0};
  InputMap inputs;
  BatchContext batch{settings, target, temp.MakeFolder("out")};

  Batch() { target.saveFlags = ComputeSaveFlags(settings, "jpg"); }
  FileResult Convert(const std::string& path) {
    inputs.Add(path, "");
    batch.inputs = &inputs;
    return ConvertInputFile(batch, InputEntry{path, ""}, FileCounters{});
  }
  std::size_t OutputCount() const { return ListFolder(batch.outputFolder).size(); }
};

bool Mentions(const std::vector<std::string>& lines, std::string_view text) {
  return std::any_of(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

// The limit is the batch's: the same page converts under one limit and fails cleanly, with
// the reason and without any output, under a smaller one.
TEST(PageLimit, APageAboveTheBatchLimitFailsAloneWithItsReason) {
  Batch b;
  const std::string path = b.temp.path() + "wide.tif";
  ASSERT_TRUE(
      fixtures::WriteTiff(path, fixtures::PageSpec{fixtures::PageKind::Rgb24Lzw, 1024, 512}));  // 2 MiB
  b.settings.advanced.maxPageMegabytes = 1;
  const FileResult refused = b.Convert(path);
  EXPECT_FALSE(refused.converted);
  EXPECT_TRUE(Mentions(refused.diagnostics, "more than the 1 MiB a page may take"))
      << ::testing::PrintToString(refused.diagnostics);
  EXPECT_EQ(b.OutputCount(), 0u);

  b.settings.advanced.maxPageMegabytes = 2;
  EXPECT_TRUE(b.Convert(path).converted);
  EXPECT_EQ(b.OutputCount(), 1u);
}

// A header that declares 100000 x 100000 pixels on the first of two pages: that page is
// refused before anything is allocated, and the second page still converts.
TEST(PageLimit, AHugeDeclaredPageDoesNotStopTheNextPage) {
  Batch b;
  std::string bytes;
  for (const fixtures::NamedFile& file : fixtures::DamagedTiffs()) {
    if (file.name == "huge-100000x100000.tif") bytes = file.bytes;
  }
  ASSERT_FALSE(bytes.empty());
  const std::string path = b.temp.Write("huge.tif", bytes);
  const FileResult result = b.Convert(path);
  EXPECT_TRUE(Mentions(result.diagnostics, "page 1: page of 100000 x 100000 pixels"))
      << ::testing::PrintToString(result.diagnostics);
  ASSERT_TRUE(result.converted);
  ASSERT_EQ(result.writtenPaths.size(), 1u);
  EXPECT_LE(fixtures::PatternDifference(result.writtenPaths[0], fixtures::PageKind::BilevelMinIsWhiteG4, 1),
            12);
}

// An old-style JPEG page holds a JPEG stream whose own header may declare a size the page's
// tags do not: it is read before the stream is decoded.
TEST(PageLimit, AnEmbeddedJpegStreamIsMeasuredBeforeItIsDecoded) {
  fixtures::TempFolder temp;
  const std::string path = temp.path() + "old.tif";
  ASSERT_TRUE(fixtures::WriteOldJpegTiff(path, {{64, 48}}));
  const std::optional<std::string> file = ReadWholeFile(path);
  ASSERT_TRUE(file);
  const std::string_view stream = FindOldJpegStream(*file, 0);
  EXPECT_TRUE(DecodeJpegStream(stream));
  EXPECT_TRUE(DecodeJpegStream(stream, 64 * 48 * 4));
  EXPECT_FALSE(DecodeJpegStream(stream, 64 * 48 * 4 - 1));
}

}  // namespace
}  // namespace rastrel
