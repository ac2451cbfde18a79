// A console batch seen from outside: the refusals in their order, what quiet and debug
// print, list and folder inputs, the converted pictures, the summary and the exit codes,
// and what Ctrl+C does to a running batch.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/output_files.h"
#include "tests/support/process_runner.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tiff_fixtures.h"

namespace rastrel {
namespace {

using fixtures::FilesBelow;

namespace fs = std::filesystem;
using fixtures::PageKind;
using fixtures::PageSpec;
using fixtures::ProgramResult;
using fixtures::ProgramRun;
using fixtures::TempFolder;
using Params = std::vector<std::string>;

constexpr const char* kBanner =
    "Rastrel 3.3\n"
    "(c) 2024-2026 Pixvane. All rights reserved.\n"
    "https://www.pixvane.com/\n"
    " \n";
constexpr const char* kStopped = "Conversion stopped\n";
constexpr const char* kStopping = "Stopping after the file in hand; press Ctrl+C again to stop at once.\n";
constexpr const char* kNothingFound = "No input file(s) found. Please, add valid file(s) and try again!\n";
// Largest channel difference a converted pattern may show after JPEG compression.
constexpr int kTolerance = 12;

// The scratch folder is the working folder, home and lock folder of every run.
ProgramRun InFolder(const TempFolder& folder, Params args) {
  return fixtures::IsolatedRun(RASTREL_BIN, std::move(args), folder.path());
}

ProgramResult Rastrel(const TempFolder& folder, Params args) {
  return fixtures::RunProgram(InFolder(folder, std::move(args)));
}

std::string Describe(const Params& args) {
  std::string text;
  for (const std::string& a : args) text += '[' + a + ']';
  return text;
}

void WritePattern(const std::string& path, int width = 64, int height = 48) {
  fs::create_directories(fs::path(path).parent_path());
  ASSERT_TRUE(fixtures::WriteTiff(path, PageSpec{PageKind::Rgb24Lzw, width, height})) << path;
}

void WriteDamaged(const std::string& path) {
  fs::create_directories(fs::path(path).parent_path());
  ASSERT_TRUE(fixtures::WriteNotATiff(path)) << path;
}

bool AnyTemporaryFile(const std::string& root) {
  for (const std::string& file : FilesBelow(root)) {
    if (fs::path(file).filename().string().starts_with(".~rastrel-")) return true;
  }
  return false;
}

TEST(ConsoleBatchE2E, EachRefusalPrintsItsErrorLineTouchesNothingAndExitsWith2) {
  TempFolder folder;
  WritePattern(folder.path() + "in/a.tif");
  WritePattern(folder.path() + "photo.tif");
  folder.Write("empty.tif", "");
  folder.MakeFolder("folder.old");
  folder.MakeFolder("out");
  folder.Write("mark.png", "");

  struct Case {
    Params args;
    const char* line;
  };
  // Listed in the order of the checks. Where one run breaks several rules, the first
  // check in that order is the one reported.
  const Case cases[] = {
      {{"-i", "missing.tif"}, "Error: Invalid input file"},
      {{"-i", "folder.old"}, "Error: Invalid input file"},
      {{"-i", "empty.tif"}, "Error: Invalid input file"},
      {{"-i", "missing.tif", "-o", "../x", "-c", "JPG"}, "Error: Invalid input file"},
      {{"-i", "../in"}, "Error: Incorrect input folder"},
      {{"-i", "nowhere", "-o", "../x"}, "Error: Invalid input folder"},
      {{"-i", "in", "-o", "../out"}, "Error: Incorrect output folder"},
      {{"-i", "in", "-o", "nowhere", "-c", "png"}, "Error: Invalid output folder"},
      {{"-i", "photo.tif", "-o", "photo.tif"}, "Error: Invalid output folder"},
      {{"-i", "in", "-o", "out", "-c", "JPG", "--jpg-bpp=16"}, "Error: Invalid conversion type"},
      {{"-i", "in", "-o", "out", "-c", "png"}, "Error: Invalid conversion type"},
      {{"-i", "in", "-o", "out", "--jpg-bpp=16", "--jpg-quality=0"}, "Error: Invalid jpg-bpp value"},
      {{"-i", "in", "-o", "out", "--jpg-quality=101", "--width=800"}, "Error: Invalid jpg-quality value"},
      {{"-i", "in", "-o", "out", "--height=600", "--brightness=200"}, "Error: Invalid width value"},
      {{"-i", "in", "-o", "out", "--width=800"}, "Error: Invalid height value"},
      {{"-i", "in", "-o", "out", "--brightness=101", "--contrast=500"}, "Error: Invalid brightness value"},
      {{"-i", "in", "-o", "out", "--contrast=-101", "--gamma=10"}, "Error: Invalid contrast value"},
      {{"-i", "in", "-o", "out", "--gamma=10", "--wm-image=missing.png"}, "Error: Invalid gamma value"},
      {{"-i", "in", "-o", "out", "--gamma=0.001"}, "Error: Invalid gamma value"},
      {{"-i", "in", "-o", "out", "--wm-text=Hello", "--wm-font=No Such Face Anywhere"},
       "Error: Invalid watermark font"},
      {{"-i", "in", "-o", "out", "--wm-image=missing.png"}, "Error: Invalid watermark image"},
      {{"-i", "in", "-o", "out", "--wm-image=mark.png"}, "Error: Invalid watermark image"},
  };
  for (const Case& c : cases) {
    Params quiet = c.args;
    quiet.insert(quiet.begin(), "-q");
    const ProgramResult r = Rastrel(folder, quiet);
    EXPECT_EQ(r.out, std::string(c.line) + "\n") << Describe(c.args);
    EXPECT_EQ(r.exitCode, 2) << Describe(c.args);
    EXPECT_EQ(r.err, "") << Describe(c.args);
  }
  EXPECT_TRUE(FilesBelow(folder.path() + "out").empty());
  EXPECT_FALSE(fs::exists(folder.path() + "nowhere"));

  // Without -q the error follows the banner and the first progress line.
  const ProgramResult loud = Rastrel(folder, {"-i", "in", "-o", "out", "--width=800"});
  EXPECT_EQ(loud.out, std::string(kBanner) + "Preparing...\nError: Invalid height value\n");
  EXPECT_EQ(loud.exitCode, 2);
}

TEST(ConsoleBatchE2E, SettingsAtTheLimitsPassTheChecks) {
  TempFolder folder;
  WritePattern(folder.path() + "in/a.tif");
  folder.MakeFolder("out");
  const Params passing[] = {
      {"--gamma=0.01"},
      {"--gamma=9.99", "--brightness=-100", "--contrast=100"},
      {"--jpg-quality=1", "--jpg-bpp=24"},
      {"--width=-5", "--height=-5"},
      {"--wm-text=Hello", "--wm-font=DejaVu Sans"},
  };
  for (const Params& extra : passing) {
    Params args = {"-q", "-i", "in", "-o", "out"};
    args.insert(args.end(), extra.begin(), extra.end());
    const ProgramResult r = Rastrel(folder, args);
    EXPECT_EQ(r.out, "") << Describe(extra);
    EXPECT_EQ(r.exitCode, 0) << Describe(extra) << r.err;
  }
}

TEST(ConsoleBatchE2E, DebugRunEchoesTheRequestAndEveryFileButNoProgressLines) {
  TempFolder folder;
  WritePattern(folder.path() + "in/a.tif");
  folder.MakeFolder("out");
  const ProgramResult r = Rastrel(folder, {"-q", "-d", "-i", "in", "-o", "out", "--jpg-quality=80"});
  // Paths are resolved against the working folder as the system reports it.
  const std::string cwd = fs::canonical(folder.path()).string() + "/";
  const std::string expected =
      "Input: in\n"
      "Output: out\n"
      "Conversion: jpg\n"
      "TIFF Frame Loading: all\n"
      "JPG BPP: 0\n"
      "JPG Quality: 80\n"
      "JPG Chroma Subsampling: none\n"
      "JPG Save As: standard\n"
      "Flip Horizontal: 0\n"
      "Flip Vertical: 0\n"
      "Greyscale: 0\n"
      "Frame: none\n"
      "Watermark: none\n"
      "Filename Mask: %filename%.%ext%\n"
      "File Timestamp: current\n"
      "Keep Subfolders: 1\n"
      "Processing: " +
      cwd + "in/a.tif\n" +
      "File Format: TIFF (LE)\n"
      "[OK] Saving As: " +
      cwd + "out/a.jpg\n";
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.exitCode, 0);

  // Debug without quiet: the same lines between the banner, the progress lines and the summary.
  const ProgramResult loud = Rastrel(folder, {"-d", "-i", "in", "-o", "out", "--jpg-quality=80"});
  EXPECT_EQ(loud.out.rfind(std::string(kBanner) + "Preparing...\nInput: in\n", 0), 0u) << loud.out;
  EXPECT_NE(loud.out.find("Keep Subfolders: 1\nImporting...\nImport complete, new files added: 1\n"
                          "Converting...\nProcessing: "),
            std::string::npos)
      << loud.out;
  EXPECT_TRUE(loud.out.ends_with(".jpg\nConversion complete\nFiles converted: 1 of 1\n")) << loud.out;
}

TEST(ConsoleBatchE2E, FolderTreeWithOneDamagedFileConvertsTheRestKeepsSubfoldersAndExitsWith1) {
  TempFolder folder;
  WritePattern(folder.path() + "scans/top.tif");
  WritePattern(folder.path() + "scans/2023/may/deep.TIFF", 64, 64);
  WritePattern(folder.path() + "scans/2023/wide.tif", 128, 64);
  WriteDamaged(folder.path() + "scans/2023/damaged.tif");
  folder.Write("scans/notes.txt", "not an image\n");
  folder.MakeFolder("out");

  const ProgramResult r = Rastrel(folder, {"-i", "scans/", "-o", "out/"});
  EXPECT_EQ(r.out, std::string(kBanner) +
                       "Preparing...\n"
                       "Importing...\n"
                       "Import complete, new files added: 4\n"
                       "Converting...\n"
                       "Conversion complete\n"
                       "Files converted: 3 of 4\n");
  EXPECT_EQ(r.exitCode, 1);
  // Standard error is no terminal here: no progress line, and without -d no diagnostics.
  EXPECT_EQ(r.err, "");

  const std::string out = folder.path() + "out/";
  EXPECT_EQ(FilesBelow(out), (std::vector<std::string>{"2023/may/deep.jpg", "2023/wide.jpg", "top.jpg"}));
  for (const std::string& file : FilesBelow(out)) {
    EXPECT_LE(fixtures::PatternDifference(out + file, PageKind::Rgb24Lzw, 0), kTolerance) << file;
  }
}

TEST(ConsoleBatchE2E, ExitCodeTellsWhetherEveryCollectedFileWasConverted) {
  TempFolder folder;
  WritePattern(folder.path() + "good/a.tif");
  WritePattern(folder.path() + "good/b.tif");
  WriteDamaged(folder.path() + "bad/a.tif");
  folder.Write("picture.png", "\x89PNG\r\n\x1a\n");
  folder.MakeFolder("out");

  struct Case {
    Params args;
    std::string out;
    int exitCode;
  };
  const Case cases[] = {
      {{"-i", "good", "-o", "out"},
       "Preparing...\nImporting...\nImport complete, new files added: 2\nConverting...\n"
       "Conversion complete\nFiles converted: 2 of 2\n",
       0},
      {{"-i", "bad", "-o", "out"},
       "Preparing...\nImporting...\nImport complete, new files added: 1\nConverting...\n" +
           std::string(kStopped),
       1},
      {{"-i", "picture.png", "-o", "out"},
       "Preparing...\nImporting...\nImport complete, new files added: 0\n" + std::string(kStopped) +
           kNothingFound,
       1},
      {{"-q", "-i", "bad", "-o", "out"}, kStopped, 1},
      {{"-q", "-i", "picture.png", "-o", "out"}, std::string(kStopped) + kNothingFound, 1},
  };
  for (const Case& c : cases) {
    const ProgramResult r = Rastrel(folder, c.args);
    const bool quiet = c.args.front() == "-q";
    EXPECT_EQ(r.out, (quiet ? "" : kBanner) + c.out) << Describe(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << Describe(c.args);
  }
}

TEST(ConsoleBatchE2E, ListFileInputsAndSingleFilesLandWhereTheyShould) {
  TempFolder folder;
  WritePattern(folder.path() + "a/one.tif");
  WritePattern(folder.path() + "b/two.tif");
  WritePattern(folder.path() + "c/deeper/three.tif");
  folder.MakeFolder("out");
  // A relative line is read from the working folder, an absolute one as it stands; a
  // folder line brings its whole tree, and lines naming nothing are skipped.
  folder.Write("list.lst", "a/one.tif\n" + folder.path() + "b/two.tif\nmissing.tif\n\nc\n");
  folder.Write("empty.txt", "missing.tif\nalso/missing.tif\n");

  const ProgramResult listed = Rastrel(folder, {"-i", "list.lst", "-o", "out"});
  EXPECT_TRUE(
      listed.out.ends_with("Import complete, new files added: 3\nConverting...\n"
                           "Conversion complete\nFiles converted: 3 of 3\n"))
      << listed.out;
  EXPECT_EQ(listed.exitCode, 0);
  EXPECT_EQ(FilesBelow(folder.path() + "out"), (std::vector<std::string>{"one.jpg", "three.jpg", "two.jpg"}));

  const ProgramResult nothing = Rastrel(folder, {"-q", "-i", "empty.txt", "-o", "out"});
  EXPECT_EQ(nothing.out, std::string(kStopped) + kNothingFound);
  EXPECT_EQ(nothing.exitCode, 1);

  // Without -o a file is written beside its input, relative paths taken from the working folder.
  const ProgramResult beside = Rastrel(folder, {"-q", "-i", "a/one.tif"});
  EXPECT_EQ(beside.out, "");
  EXPECT_EQ(beside.exitCode, 0);
  EXPECT_LE(fixtures::PatternDifference(folder.path() + "a/one.jpg", PageKind::Rgb24Lzw, 0), kTolerance);
  // ... and so is a folder tree: every output beside its input.
  const ProgramResult tree = Rastrel(folder, {"-q", "-i", "./c"});
  EXPECT_EQ(tree.exitCode, 0) << tree.out;
  EXPECT_TRUE(fs::exists(folder.path() + "c/deeper/three.jpg"));
}

TEST(ConsoleBatchE2E, PauseWithoutATerminalDoesNotWait) {
  TempFolder folder;
  WritePattern(folder.path() + "in/a.tif");
  folder.MakeFolder("out");
  ProgramRun run = InFolder(folder, {"-q", "-p", "-i", "in", "-o", "out"});
  run.timeoutMs = 20'000;
  const ProgramResult r = fixtures::RunProgram(run);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.out, "Press any key to exit.\n");
  EXPECT_EQ(r.exitCode, 0);
}

// The first file holds its worker for a while and says when it is in hand, so that a
// signal can be sent at a known point however fast or loaded the machine is.
ProgramRun SlowFirstFileBatch(const TempFolder& folder, int files) {
  WritePattern(folder.path() + "in/f0-rastrel-fault-slow.tif");
  for (int i = 1; i < files; ++i) WritePattern(folder.path() + "in/f" + std::to_string(i) + ".tif");
  folder.MakeFolder("out");
  ProgramRun run = InFolder(folder, {"-i", "in", "-o", "out"});
  run.env.emplace_back("RASTREL_TEST_FAULTS", "1");
  return run;
}

bool FirstFileInHand(const TempFolder& folder) {
  for (int waited = 0; waited < 30'000; waited += 10) {
    if (fs::exists(folder.path() + "in/f0-rastrel-fault-slow.tif.in-hand")) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// The program is meant to see Ctrl+C as a terminal delivers it, whatever this test
// process inherited.
void DefaultInterruptHandling() { ::signal(SIGINT, SIG_DFL); }

TEST(ConsoleBatchE2E, FirstInterruptFinishesTheFileInHandAndReportsTheCounts) {
  DefaultInterruptHandling();
  TempFolder folder;
  constexpr int kFiles = 8;
  fixtures::RunningProgram running(SlowFirstFileBatch(folder, kFiles));
  ASSERT_TRUE(FirstFileInHand(folder));
  ASSERT_TRUE(running.SendSignal(SIGINT));
  const ProgramResult r = running.Wait();

  EXPECT_EQ(r.exitCode, 130) << r.out;
  EXPECT_EQ(r.err, kStopping);
  // Whatever other workers had done, the batch ends with the file it was waiting for.
  EXPECT_EQ(FilesBelow(folder.path() + "out"), std::vector<std::string>{"f0-rastrel-fault-slow.jpg"});
  EXPECT_TRUE(r.out.ends_with(std::string("Converting...\n") + kStopped + "Files converted: 1 of 8\n"))
      << r.out;
  EXPECT_LE(
      fixtures::PatternDifference(folder.path() + "out/f0-rastrel-fault-slow.jpg", PageKind::Rgb24Lzw, 0),
      kTolerance);
  EXPECT_FALSE(AnyTemporaryFile(folder.path()));
}

TEST(ConsoleBatchE2E, InterruptBeforeAnyFileStartsEndsTheBatchWithNothingConverted) {
  DefaultInterruptHandling();
  TempFolder folder;
  for (int i = 0; i < 4; ++i) WritePattern(folder.path() + "in/f" + std::to_string(i) + ".tif");
  folder.MakeFolder("out");
  // However early it lands, the batch ends promptly and says what it did.
  fixtures::RunningProgram running(InFolder(folder, {"-i", "in", "-o", "out"}));
  ASSERT_TRUE(running.WaitForOutput("Converting...\n", 30'000));
  ASSERT_TRUE(running.SendSignal(SIGINT));
  const ProgramResult r = running.Wait();
  EXPECT_FALSE(r.timedOut);
  if (FilesBelow(folder.path() + "out").size() == 4) {
    // Too late to stop anything: the batch ended normally, or it was leaving when the
    // signal came and the signal ended it, as for any program.
    EXPECT_TRUE(r.exitCode == 0 || r.signal == SIGINT) << r.out;
  } else {
    EXPECT_EQ(r.exitCode, 130) << r.out;
  }
  EXPECT_FALSE(AnyTemporaryFile(folder.path()));
}

TEST(ConsoleBatchE2E, SecondInterruptEndsAtOnceWithoutLeftovers) {
  DefaultInterruptHandling();
  TempFolder folder;
  fixtures::RunningProgram running(SlowFirstFileBatch(folder, 2));
  ASSERT_TRUE(FirstFileInHand(folder));
  ASSERT_TRUE(running.SendSignal(SIGINT));
  // Sent before the first was taken, the second would merge into it.
  ASSERT_TRUE(running.WaitForErrorOutput(kStopping, 30'000));
  ASSERT_TRUE(running.SendSignal(SIGINT));
  const ProgramResult r = running.Wait();

  EXPECT_EQ(r.exitCode, 130);
  EXPECT_TRUE(r.out.ends_with("Converting...\n")) << "the batch was not cut short:\n" << r.out;
  EXPECT_FALSE(AnyTemporaryFile(folder.path()));
  // The file in hand was abandoned, and what another worker finished was never moved in.
  EXPECT_TRUE(FilesBelow(folder.path() + "out").empty());
}

}  // namespace
}  // namespace rastrel
