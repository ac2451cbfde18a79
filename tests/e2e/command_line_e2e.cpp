// The executable's console face seen from outside: exact standard output, diagnostics on
// standard error, exit codes and the single-instance guard.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/process_runner.h"
#include "tests/support/temp_folder.h"

namespace rastrel {
namespace {

using fixtures::ProgramResult;
using fixtures::ProgramRun;
using fixtures::TempFolder;
using Params = std::vector<std::string>;

constexpr const char* kNoWindow = "The window interface is not available.\n";
constexpr const char* kSecondCopy = "Error: Another copy of Rastrel 3.3 is running\n";
constexpr const char* kBanner =
    "Rastrel 3.3\n"
    "(c) 2024-2026 Pixvane. All rights reserved.\n"
    "https://www.pixvane.com/\n"
    " \n";

// Each run gets the scratch folder as working folder, home and lock folder, so runs never
// meet each other or the user's own copy.
ProgramRun InFolder(const TempFolder& folder, Params args, std::string program = RASTREL_BIN) {
  return fixtures::IsolatedRun(std::move(program), std::move(args), folder.path());
}

ProgramResult Rastrel(const TempFolder& folder, Params args) {
  return fixtures::RunProgram(InFolder(folder, std::move(args)));
}

std::string Describe(const Params& args) {
  std::string text;
  for (const std::string& a : args) text += '[' + a + ']';
  return text.empty() ? "(no parameters)" : text;
}

std::string HelpText(const std::string& name) {
  const char* lines[] = {
      " ",
      "Usage: %N -i <filename> [options]",
      " ",
      "  %N -i example.tiff",
      "  %N -i /tmp/example.tiff",
      "  %N -i /tmp/example.tiff -o /converted",
      "  %N -i /tmp/filelist.txt",
      "  %N -i /tmp/ -o /converted --jpg-quality=95",
      "  %N -i /tmp/ -o /converted -c jpg --jpg-quality=95",
      " ",
      "Options:",
      " ",
      "  -h, -?, --help            Display this help and exit",
      "  -i FILE, --input=FILE     Set input file/list/folder",
      "  -o PATH, --output=PATH    Set output folder",
      "  -c STR, --conversion=STR  Set output extension, STR = (jpg | bmp | ...)",
      " ",
      "Advanced options:",
      " ",
      "  --width=NUM               Set output image width",
      "  --height=NUM              Set output image height",
      "  --filename-mask=STR       Define output filename format",
      "  --flip-horizontal         Flip output image horizontally",
      "  --flip-vertical           Flip output image vertically",
      "  --brightness=NUM          Set output image brightness, NUM = -100..100",
      "  --contrast=NUM            Set output image contrast, NUM = -100..100",
      "  --gamma=NUM               Set output image gamma, NUM = 0.01..9.99",
      "  --invert                  Invert output image",
      "  --greyscale               Greyscale output image",
      "  --profile=FILE            Set configuration file with required settings",
      "    ...                     Refer documentation for all available options",
      " ",
      "Other options:",
      " ",
      "  -q, --quiet               Don't print status messages to stdout",
      "  -d, --debug               Print debug information to stdout",
      "  -p, --pause               Pause at exit",
      "  -v, --version             Display version information and exit",
  };
  std::string text;
  for (std::string line : lines) {
    for (std::size_t at; (at = line.find("%N")) != std::string::npos;) line.replace(at, 2, name);
    text += line + "\n";
  }
  return text;
}

TEST(CommandLineE2E, HelpAndVersionPrintExactlyTheirLines) {
  TempFolder folder;
  const struct {
    Params args;
    std::string out;
  } cases[] = {
      {{"-v"}, "3.3\n"},
      {{"--VERSION", "-i", "a.tif"}, "3.3\n"},
      {{"-V", "-h"}, "3.3\n"},
      {{"-h"}, HelpText("rastrel")},
      {{"-?", "-v"}, HelpText("rastrel")},
      {{"--help"}, HelpText("rastrel")},
  };
  for (const auto& c : cases) {
    const ProgramResult r = Rastrel(folder, c.args);
    EXPECT_EQ(r.exitCode, 0) << Describe(c.args);
    EXPECT_EQ(r.out, c.out) << Describe(c.args);
    EXPECT_EQ(r.err, "") << Describe(c.args);
  }
}

TEST(CommandLineE2E, HelpNamesTheExecutableByItsOwnFileName) {
  TempFolder folder;
  const std::string copy = folder.path() + "scanconv.bin";
  std::filesystem::copy_file(RASTREL_BIN, copy);
  const ProgramResult r = fixtures::RunProgram(InFolder(folder, {"-h"}, copy));
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, HelpText("scanconv"));
}

TEST(CommandLineE2E, ParameterErrorsPrintOneErrorLineAndExitWith2) {
  TempFolder folder;
  const struct {
    Params args;
    const char* out;
  } cases[] = {
      {{"--input", "photo.tif"}, "Error: Incorrect number of parameters\n"},
      {{"-i"}, "Error: Incorrect number of parameters\n"},
      {{"-i", "-o", "out"}, "Error: Incorrect number of parameters\n"},
      {{"-i", "a.tif", "--width", "800"}, "Error: Incorrect number of parameters\n"},
      {{"-i", "a.tif", "--wm-text=--x"}, "Error: Incorrect number of parameters\n"},
      // Pause before the error waits for a key only on a terminal: here it returns at once.
      {{"-p", "-i"}, "Error: Incorrect number of parameters\n"},
      {{"-o", "out", "--profile"}, "Error: Incorrect number of parameters\n"},
      {{"-i", "a.tif", "--profile=missing.ini"}, "Error: Invalid profile file\n"},
  };
  for (const auto& c : cases) {
    const ProgramResult r = Rastrel(folder, c.args);
    EXPECT_EQ(r.exitCode, 2) << Describe(c.args);
    EXPECT_EQ(r.out, c.out) << Describe(c.args);
    EXPECT_FALSE(r.timedOut) << Describe(c.args);
  }
}

TEST(CommandLineE2E, WithoutAnInputTheWindowInterfaceIsNeededAndExitIs3) {
  TempFolder folder;
  const Params cases[] = {{}, {"-q"}, {"-o", "out", "--width=5"}, {"-U"}, {"-T", "shots"}, {"photo.tif"}};
  for (const Params& args : cases) {
    const ProgramResult r = Rastrel(folder, args);
    EXPECT_EQ(r.exitCode, 3) << Describe(args);
    EXPECT_EQ(r.out, "") << Describe(args);
    EXPECT_EQ(r.err, kNoWindow) << Describe(args);
  }
}

TEST(CommandLineE2E, ConsoleRunPrintsTheBannerUnlessQuietAndNeverClaimsSuccessForNothing) {
  TempFolder folder;
  const ProgramResult plain = Rastrel(folder, {"-i", "missing.tif"});
  EXPECT_EQ(plain.out.rfind(kBanner, 0), 0u) << plain.out;
  EXPECT_NE(plain.exitCode, 0);

  const ProgramResult quiet = Rastrel(folder, {"-q", "-p", "-i", "missing.tif"});
  EXPECT_EQ(quiet.out.find("Rastrel 3.3"), std::string::npos) << quiet.out;
  EXPECT_TRUE(quiet.out.ends_with("Press any key to exit.\n")) << quiet.out;
  EXPECT_NE(quiet.exitCode, 0);
  EXPECT_FALSE(quiet.timedOut);
}

TEST(CommandLineE2E, ASecondCopyIsRefusedWhileTheLockIsHeld) {
  TempFolder folder;
  const std::string lockPath = folder.path() + "Rastrel 3.3.lock";
  const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);

  for (const Params& args : {Params{"-v"}, Params{}, Params{"-i", "a.tif"}}) {
    const ProgramResult r = Rastrel(folder, args);
    EXPECT_EQ(r.exitCode, 3) << Describe(args);
    EXPECT_EQ(r.out, "") << Describe(args);
    EXPECT_EQ(r.err, kSecondCopy) << Describe(args);
  }
  ::close(fd);
  EXPECT_EQ(Rastrel(folder, {"-v"}).exitCode, 0);
}

TEST(CommandLineE2E, TwoCopiesOfTheProgramMeetAtTheLock) {
  TempFolder folder;
  // The first copy pauses on a terminal and so keeps running, holding the lock.
  ProgramRun firstRun = InFolder(folder, {"-q", "-p", "-i", "missing.tif"});
  firstRun.terminalInput = true;
  fixtures::RunningProgram first(firstRun);
  ASSERT_TRUE(first.WaitForOutput("Press any key to exit.\n", 30'000));

  const ProgramResult second = Rastrel(folder, {"-v"});
  EXPECT_EQ(second.exitCode, 3);
  EXPECT_EQ(second.out, "");
  EXPECT_EQ(second.err, kSecondCopy);

  // The key may arrive before the terminal is switched to raw mode, which discards it:
  // keep typing until the first copy ends.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!first.HasEnded() && std::chrono::steady_clock::now() < deadline) {
    first.Type("x");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const ProgramResult firstResult = first.Wait();
  EXPECT_FALSE(firstResult.timedOut);
  EXPECT_NE(firstResult.exitCode, -1) << "signal " << firstResult.signal;

  // The lock died with its owner.
  const ProgramResult third = Rastrel(folder, {"-v"});
  EXPECT_EQ(third.exitCode, 0);
  EXPECT_EQ(third.out, "3.3\n");
}

}  // namespace
}  // namespace rastrel
