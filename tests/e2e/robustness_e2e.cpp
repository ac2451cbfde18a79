// One console batch over every kind of damaged TIFF the project makes, mixed with sound
// files: the run ends normally and says that some files failed, every sound file is
// converted, and nothing half-written or temporary is left anywhere.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/support/damaged_tiffs.h"
#include "tests/support/output_files.h"
#include "tests/support/process_runner.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tiff_fixtures.h"

namespace rastrel {
namespace {

namespace fs = std::filesystem;
using fixtures::FilesBelow;
using fixtures::IsCompleteJpeg;
using fixtures::PageKind;

constexpr int kTolerance = 12;  // JPEG rings a little around the pattern's cells
constexpr int kBatchFailed = 1;
// Far beyond what the batch needs; it only has to end, and a hang must not stall CI forever.
constexpr int kTimeoutMs = 15 * 60 * 1000;

TEST(RobustnessE2E, ABatchOfDamagedFilesEndsNormallyAndConvertsEverySoundFile) {
  fixtures::TempFolder folder;
  const std::string in = folder.MakeFolder("in");
  const std::string out = folder.MakeFolder("out");
  std::set<std::string> inputs;
  for (const auto& files : {fixtures::SoundTiffs(), fixtures::DamagedTiffs()}) {
    for (const fixtures::NamedFile& file : files) {
      folder.Write("in/" + file.name, file.bytes);
      inputs.insert(file.name);
    }
  }
  ASSERT_GT(inputs.size(), 60u);

  fixtures::ProgramRun run = fixtures::IsolatedRun(RASTREL_BIN, {"-i", in, "-o", out}, folder.path());
  run.timeoutMs = kTimeoutMs;
  const fixtures::ProgramResult result = fixtures::RunProgram(run);

  ASSERT_FALSE(result.timedOut);
  ASSERT_EQ(result.signal, 0) << result.err;
  EXPECT_EQ(result.exitCode, kBatchFailed) << result.out << result.err;

  // Every sound file, each page from its own page of the pattern.
  const struct {
    const char* output;
    PageKind kind;
    int page;
  } sound[] = {
      {"sound-rgb-fax[1].jpg", PageKind::Rgb24Lzw, 0},
      {"sound-rgb-fax[2].jpg", PageKind::BilevelMinIsWhiteG4, 1},
      {"sound-grey16.jpg", PageKind::Grey16, 0},
      {"sound-palette.jpg", PageKind::Palette8, 0},
      {"sound-cmyk.jpg", PageKind::Cmyk32, 0},
  };
  for (const auto& s : sound) {
    EXPECT_LE(fixtures::PatternDifference(out + s.output, s.kind, s.page), kTolerance) << s.output;
  }
  const std::size_t summary = result.out.find("Files converted: ");
  ASSERT_NE(summary, std::string::npos) << result.out;
  int converted = -1, collected = -1;
  std::sscanf(result.out.c_str() + summary, "Files converted: %d of %d", &converted, &collected);
  EXPECT_EQ(collected, static_cast<int>(inputs.size()));
  EXPECT_GE(converted, static_cast<int>(std::size(sound)) - 1);  // the two-page file counts once
  EXPECT_LT(converted, collected);

  // Whatever else was written is a complete picture named after one of the inputs; nothing
  // temporary is left, and nothing was added beside the inputs.
  for (const std::string& file : FilesBelow(out)) {
    EXPECT_FALSE(file.starts_with(".~rastrel-")) << file;
    const std::string stem = file.substr(0, file.find_first_of("[."));
    EXPECT_TRUE(inputs.count(stem + ".tif") == 1) << file;
    EXPECT_TRUE(IsCompleteJpeg(out + file)) << file;
  }
  EXPECT_EQ(FilesBelow(in).size(), inputs.size());
  for (const std::string& file : FilesBelow(folder.path())) {
    EXPECT_EQ(fs::path(file).filename().string().find(".~rastrel-"), std::string::npos) << file;
  }
}

// A JPEG file holds at most 65,500 pixels on a side. A longer page fails on its own, with
// the reason in the debug output; with a resize it converts.
TEST(RobustnessE2E, PagesBeyondJpegsSizeLimitFailWithAReasonAndConvertWhenResized) {
  fixtures::TempFolder folder;
  folder.MakeFolder("in");
  ASSERT_TRUE(fixtures::WriteTiff(folder.path() + "in/wide.tif", {PageKind::Rgb24Lzw, 70'000, 3}));
  ASSERT_TRUE(fixtures::WriteTiff(folder.path() + "in/tall.tif", {PageKind::Grey8, 2, 65'501}));
  ASSERT_TRUE(fixtures::WriteTiff(folder.path() + "in/widest-allowed.tif", {PageKind::Rgb24Lzw, 65'500, 2}));
  const auto convert = [&](const std::string& out, std::vector<std::string> options) {
    fixtures::ProgramRun run = fixtures::IsolatedRun(
        RASTREL_BIN, {"-i", folder.path() + "in", "-o", folder.MakeFolder(out)}, folder.path());
    run.args.insert(run.args.end(), options.begin(), options.end());
    return fixtures::RunProgram(run);
  };

  const fixtures::ProgramResult plain = convert("plain", {"-d"});
  EXPECT_EQ(plain.exitCode, kBatchFailed);
  EXPECT_TRUE(plain.out.ends_with("Files converted: 1 of 3\n")) << plain.out;
  EXPECT_EQ(FilesBelow(folder.path() + "plain"), std::vector<std::string>{"widest-allowed.jpg"});
  for (const char* name : {"wide", "tall"}) {
    const std::string reason =
        std::string("the image could not be encoded: ") + folder.path() + "plain/" + name;
    EXPECT_NE(plain.err.find(reason), std::string::npos) << plain.err;
  }
  EXPECT_NE(plain.err.find("65500"), std::string::npos) << plain.err;

  const fixtures::ProgramResult resized = convert("resized", {"--width=1000", "--height=1000"});
  EXPECT_EQ(resized.exitCode, 0) << resized.out << resized.err;
  EXPECT_EQ(FilesBelow(folder.path() + "resized"),
            (std::vector<std::string>{"tall.jpg", "wide.jpg", "widest-allowed.jpg"}));
  for (const std::string& file : FilesBelow(folder.path() + "resized"))
    EXPECT_TRUE(IsCompleteJpeg(folder.path() + "resized/" + file)) << file;
}

}  // namespace
}  // namespace rastrel
