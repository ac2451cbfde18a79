#include "engine/convert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "engine/encoding.h"
#include "engine/old_jpeg.h"
#include "platform/clock.h"
#include "platform/filesystem.h"
#include "tests/support/odd_tiffs.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tiff_fixtures.h"

namespace rastrel {
namespace {

using fixtures::PageKind;
using fixtures::PageSpec;

constexpr int kTolerance = 12;  // JPEG at quality 95, 4:4:4, sampled away from cell edges

// A batch writing JPEG files with the default settings into <temp>/out/.
struct Batch {
  fixtures::TempFolder temp;
  Settings settings;
  ConversionTarget target{"jpg", FIF_JPEG, 0, true, 0};
  InputMap inputs;
  BatchContext batch{settings, target, temp.MakeFolder("out")};

  Batch() {
    target.saveFlags = ComputeSaveFlags(settings, "jpg");
    batch.inputs = &inputs;
  }
  std::string Input(const std::string& name) {
    const std::string path = temp.path() + "in/" + name;
    temp.MakeFolder("in");
    inputs.Add(path, "");
    return path;
  }
  FileResult Convert(const std::string& path) {
    return ConvertInputFile(batch, InputEntry{path, ""}, FileCounters{});
  }
  std::string Out(const std::string& name) const { return batch.outputFolder + name; }
  std::vector<std::string> OutputFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : ListFolder(batch.outputFolder)) names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
  }
};

struct Saved {
  unsigned width = 0, height = 0, bpp = 0;
  int difference = 256;
};
Saved Inspect(const std::string& jpeg, PageKind kind, int pageIndex) {
  Saved saved;
  Bitmap image(FreeImage_Load(FIF_JPEG, jpeg.c_str(), 0));
  if (!image) return saved;
  saved.width = image.width();
  saved.height = image.height();
  saved.bpp = image.bpp();
  saved.difference = fixtures::PatternDifference(image.get(), kind, pageIndex);
  return saved;
}

TEST(ConvertOneFile, EveryCommonLayoutBecomesAJpegOfTheSamePicture) {
  const struct {
    PageKind kind;
    const char* name;
    unsigned bpp;  // automatic depth; 0: either (the decoder chosen for the page decides)
    int tolerance = kTolerance;
  } cases[] = {
      {PageKind::BilevelMinIsWhiteG4, "fax-white", 8},
      {PageKind::BilevelMinIsBlackG4, "fax-black", 8},
      {PageKind::Grey8, "grey8", 8},
      {PageKind::Grey16, "grey16", 0},
      {PageKind::Rgb24Lzw, "rgb24", 24},
      {PageKind::Rgb48, "rgb48", 24},
      {PageKind::Palette8, "palette", 24},
      {PageKind::Cmyk32, "cmyk", 24},
      {PageKind::YCbCrJpeg, "ycbcr", 24, 20},  // stored with halved chroma, then encoded again
      {PageKind::Grey8MinIsWhite, "grey-white", 8},
  };
  Batch b;
  for (const auto& c : cases) {
    const std::string input = b.Input(std::string(c.name) + ".tif");
    ASSERT_TRUE(fixtures::WriteTiff(input, PageSpec{c.kind, 64, 48}));
    const FileResult result = b.Convert(input);
    EXPECT_TRUE(result.converted) << c.name;
    EXPECT_EQ(result.outputPath, b.Out(std::string(c.name) + ".jpg"));
    EXPECT_EQ(result.writtenPaths, std::vector{result.outputPath});
    const Saved saved = Inspect(result.outputPath, c.kind, 0);
    EXPECT_EQ(saved.width, 64u) << c.name;
    EXPECT_EQ(saved.height, 48u) << c.name;
    if (c.bpp != 0) {
      EXPECT_EQ(saved.bpp, c.bpp) << c.name;
    }
    EXPECT_LE(saved.difference, c.tolerance) << c.name;
  }
  EXPECT_EQ(b.target.depth, 0) << "the shared target is never written";
}

TEST(ConvertOneFile, AllPagesOfAMultiPageFileGetMarkedNames) {
  Batch b;
  const std::vector<PageSpec> pages{
      {PageKind::Rgb24Lzw, 64, 48}, {PageKind::Grey8, 40, 32}, {PageKind::BilevelMinIsWhiteG4, 80, 24}};
  const std::string input = b.Input("name.tif");
  ASSERT_TRUE(fixtures::WriteTiff(input, pages));
  const FileResult result = b.Convert(input);
  ASSERT_TRUE(result.converted);
  EXPECT_EQ(result.outputPath, b.Out("name.jpg"));  // as built, without the marker
  ASSERT_EQ(result.writtenPaths.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const auto& page = pages[static_cast<std::size_t>(i)];
    EXPECT_EQ(result.writtenPaths[static_cast<std::size_t>(i)],
              b.Out("name[" + std::to_string(i + 1) + "].jpg"));
    const Saved saved = Inspect(result.writtenPaths[static_cast<std::size_t>(i)], page.kind, i);
    EXPECT_EQ(saved.width, static_cast<unsigned>(page.width));
    EXPECT_EQ(saved.height, static_cast<unsigned>(page.height));
    EXPECT_LE(saved.difference, kTolerance) << "page " << i + 1;
  }

  b.settings.advanced.filenameMask = "%filename%_%frame%.%ext%";
  ASSERT_TRUE(b.Convert(input).converted);
  for (const char* name : {"name_1.jpg", "name_2.jpg", "name_3.jpg"})
    EXPECT_GE(FileSize(b.Out(name)), 0) << name;
}

TEST(ConvertOneFile, FrameLoadingSelectsThePages) {
  const struct {
    int pages;
    std::int32_t code;
    std::vector<int> converted;  // 1-based
    bool marked;
  } cases[] = {
      {5, 2, {3}, false},
      {4, 2, {2}, false},
      {1, 2, {1}, false},
      {2, 2, {1}, false},
      {5, 1, {1}, false},
      {5, 3, {5}, false},
      {3, 0, {1, 2, 3}, true},
      {1, 0, {1}, false},
      // A code this program does not know converts every page, and the pages keep
      // separate names rather than replacing each other.
      {3, 9, {1, 2, 3}, true},
  };
  for (const auto& c : cases) {
    Batch b;
    b.settings.input.tiffFrameLoading = c.code;
    std::vector<PageSpec> pages(static_cast<std::size_t>(c.pages), PageSpec{PageKind::Grey8, 32, 24});
    const std::string input = b.Input("doc.tif");
    ASSERT_TRUE(fixtures::WriteTiff(input, pages));
    const FileResult result = b.Convert(input);
    ASSERT_TRUE(result.converted);
    ASSERT_EQ(result.writtenPaths.size(), c.converted.size()) << c.pages << " pages, code " << int{c.code};
    for (std::size_t i = 0; i < c.converted.size(); ++i) {
      const int page = c.converted[i];
      const std::string name = c.marked ? "doc[" + std::to_string(page) + "].jpg" : "doc.jpg";
      EXPECT_EQ(result.writtenPaths[i], b.Out(name));
      EXPECT_LE(Inspect(result.writtenPaths[i], PageKind::Grey8, page - 1).difference, kTolerance)
          << c.pages << " pages, code " << int{c.code} << ", page " << page;
    }
  }
}

TEST(SelectPages, RandomPicksOnePageAndReachesEveryPage) {
  RandomIntegers random(11);
  std::set<int> seen;
  for (int i = 0; i < 200; ++i) {
    const PageRange range = SelectPages(4, 4, random);
    ASSERT_EQ(range.Count(), 1);
    ASSERT_GE(range.first, 0);
    ASSERT_LE(range.first, 3);
    seen.insert(range.first);
  }
  EXPECT_EQ(seen.size(), 4u);
  EXPECT_EQ(SelectPages(0, 0, random).Count(), 0);
}

// Through the whole pipeline at the automatic depth: every layout the decoders know comes
// out of the JPEG file upright and in its colours, however the page was widened on the way.
TEST(ConvertOneFile, EveryOddLayoutKeepsItsColoursAtTheAutomaticDepth) {
  Batch b;
  for (const testing::OddTiffFamily& family : testing::OddTiffFamilies()) {
    SCOPED_TRACE(family.name);
    std::string name = family.name;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    const std::string input = b.Input(name + ".tif");
    ASSERT_TRUE(family.write(input));
    const FileResult result = b.Convert(input);
    ASSERT_TRUE(result.converted) << ::testing::PrintToString(result.diagnostics);
    const std::string written =
        b.Out(family.pageCount > 1 ? name + "[" + std::to_string(family.page + 1) + "].jpg" : name + ".jpg");
    const Bitmap jpeg(FreeImage_Load(FIF_JPEG, written.c_str(), 0));
    ASSERT_TRUE(jpeg) << written;
    testing::OddTiffFamily expected = family;
    expected.checkAlpha = false;
    expected.tolerance += kTolerance;
    EXPECT_EQ(testing::CompareQuadrants(jpeg.get(), expected), "");
  }
}

TEST(ConvertOneFile, DepthFollowsThePageAsLoadedAndTheSetting) {
  Batch b;
  b.settings.advanced.filenameMask = "%filename%_%bpp%.%ext%";
  const std::string fax = b.Input("fax.tif");
  const std::string deep = b.Input("deep.tif");
  ASSERT_TRUE(fixtures::WriteTiff(fax, PageSpec{PageKind::BilevelMinIsBlackG4, 64, 48}));
  ASSERT_TRUE(fixtures::WriteTiff(deep, PageSpec{PageKind::Rgb48, 64, 48}));
  EXPECT_EQ(b.Convert(fax).outputPath, b.Out("fax_8.jpg"));
  EXPECT_EQ(b.Convert(deep).outputPath, b.Out("deep_24.jpg"));

  b.target.automatic = false;
  b.target.depth = 8;
  const FileResult grey = b.Convert(deep);
  ASSERT_TRUE(grey.converted);
  EXPECT_EQ(grey.outputPath, b.Out("deep_8.jpg"));
  EXPECT_EQ(Inspect(grey.outputPath, PageKind::Rgb48, 0).bpp, 8u);
}

TEST(ConvertOneFile, OldStyleJpegPagesShowTheirOwnPictures) {
  for (const bool interchangeTags : {true, false}) {
    Batch b;
    const std::string input = b.Input("old.tif");
    ASSERT_TRUE(fixtures::WriteOldJpegTiff(input, {{64, 48}, {80, 40}}, interchangeTags));
    const FileResult result = b.Convert(input);
    ASSERT_TRUE(result.converted) << interchangeTags;
    ASSERT_EQ(result.writtenPaths.size(), 2u);
    const Saved first = Inspect(result.writtenPaths[0], PageKind::Rgb24Lzw, 0);
    const Saved second = Inspect(result.writtenPaths[1], PageKind::Rgb24Lzw, 1);
    EXPECT_EQ(first.width, 64u);
    EXPECT_EQ(second.width, 80u);
    EXPECT_LE(first.difference, kTolerance);
    EXPECT_LE(second.difference, kTolerance);
  }
}

TEST(OldJpegStream, EachPageIsFoundInItsOwnDirectory) {
  fixtures::TempFolder temp;
  for (const bool interchangeTags : {true, false}) {
    const std::string path = temp.path() + "old.tif";
    ASSERT_TRUE(fixtures::WriteOldJpegTiff(path, {{64, 48}, {80, 40}, {32, 32}}, interchangeTags));
    const std::string bytes = *ReadWholeFile(path);
    for (int page = 0; page < 3; ++page) {
      EXPECT_EQ(PageCompression(bytes, page), kOldStyleJpegCompression);
      Bitmap image = DecodeJpegStream(FindOldJpegStream(bytes, page));
      ASSERT_TRUE(image) << page;
      EXPECT_LE(fixtures::PatternDifference(image.get(), PageKind::Rgb24Lzw, page), kTolerance) << page;
    }
    EXPECT_TRUE(FindOldJpegStream(bytes, 3).empty());
  }
  EXPECT_FALSE(DecodeJpegStream("\xFF\xD8 not really a JPEG"));
  EXPECT_EQ(PageCompression("not a TIFF", 0), std::nullopt);
}

TEST(ConvertOneFile, AFileThatIsNotATiffFailsQuietly) {
  Batch b;
  const std::string input = b.Input("x.tif");
  ASSERT_TRUE(fixtures::WriteNotATiff(input));
  ::testing::internal::CaptureStderr();
  const FileResult result = b.Convert(input);
  const std::string printed = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(result.converted);
  EXPECT_TRUE(result.writtenPaths.empty());
  EXPECT_TRUE(b.OutputFiles().empty());
  EXPECT_FALSE(result.diagnostics.empty());
  EXPECT_EQ(printed, "") << "library messages belong to the file's diagnostics";
}

TEST(ConvertOneFile, LibraryMessagesOfAGoodFileStayInItsDiagnostics) {
  Batch b;
  const std::string input = b.Input("quiet.tif");
  ASSERT_TRUE(fixtures::WriteTiff(input, PageSpec{PageKind::Rgb24Lzw, 32, 32}));
  ::testing::internal::CaptureStderr();
  const FileResult result = b.Convert(input);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(result.converted);
}

TEST(ConvertOneFile, AFailedSaveLeavesThePreviousFileAndNoTemporaryFile) {
  Batch b;
  const std::string input = b.Input("keep.tif");
  ASSERT_TRUE(fixtures::WriteTiff(input, PageSpec{PageKind::Rgb24Lzw, 64, 48}));
  const std::string target = b.temp.Write("out/keep.jpg", "previous contents");

  // JPEG cannot hold a 32-bit RGBA page: the encoder refuses it.
  b.target.automatic = false;
  b.target.depth = 32;
  FileResult result = b.Convert(input);
  EXPECT_FALSE(result.converted);
  EXPECT_EQ(ReadWholeFile(target), "previous contents");

  // The file system refuses the rename: a folder stands where the file would go.
  b.target.depth = 24;
  b.settings.advanced.filenameMask = "taken";
  b.temp.MakeFolder("out/taken");
  result = b.Convert(input);
  EXPECT_FALSE(result.converted);
  EXPECT_TRUE(IsFolder(b.Out("taken")));
  EXPECT_EQ(b.OutputFiles(), (std::vector<std::string>{"keep.jpg", "taken"})) << "no temporary file remains";
}

TEST(ConvertOneFile, NeverReplacesAnInputOfTheBatch) {
  Batch b;
  const std::string input = b.Input("scan.tif");
  const std::string other = b.Input("other.tif");
  ASSERT_TRUE(fixtures::WriteTiff(input, PageSpec{PageKind::Grey8, 32, 24}));
  ASSERT_TRUE(fixtures::WriteTiff(other, PageSpec{PageKind::Grey8, 32, 24}));
  const std::string before = *ReadWholeFile(input);
  const std::string otherBefore = *ReadWholeFile(other);
  b.settings.advanced.filenameMask = "%filename%.tif";
  // The same folder, spelled three ways.
  for (const std::string& folder :
       {b.temp.path() + "in/", b.temp.path() + "in/./", b.temp.path() + "out/../in/"}) {
    b.batch.outputFolder = folder;
    const FileResult result = b.Convert(input);
    EXPECT_FALSE(result.converted) << folder;
    EXPECT_FALSE(result.diagnostics.empty());
  }
  b.settings.advanced.filenameMask = "other.tif";  // another input of the same batch
  EXPECT_FALSE(b.Convert(input).converted);
  EXPECT_EQ(ReadWholeFile(input), before);
  EXPECT_EQ(ReadWholeFile(other), otherBefore);
}

}  // namespace
}  // namespace rastrel
