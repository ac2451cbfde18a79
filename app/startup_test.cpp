#include "app/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rastrel {
namespace {

using Params = std::vector<std::string>;

const std::vector<std::string> kBanner{"Rastrel 3.3", "(c) 2024-2026 Pixvane. All rights reserved.",
                                       "https://www.pixvane.com/", " "};
constexpr const char* kNoWindow = "The window interface is not available.";

struct FrontEndRun {
  int code = -1;
  ConsoleTranscript transcript;
};

FrontEndRun RunWith(const Params& params) {
  Console console = Console::Recording();
  RandomIntegers random(1);
  const ProcessFacts facts{"rastrel", "/opt/rastrel/", "/home/user/"};
  FrontEndRun run;
  run.code = RunFrontEnd(params, facts, console, random);
  run.transcript = console.transcript();
  return run;
}

TEST(RunFrontEnd, VersionHelpAndErrorLines) {
  const struct {
    Params params;
    int code;
    std::vector<std::string> out;
    int keyWaits;
  } cases[] = {
      {{"-v"}, 0, {"3.3"}, 0},
      {{"--version", "-p"}, 0, {"3.3"}, 0},
      {{"--input", "a.tif"}, 2, {"Error: Incorrect number of parameters"}, 0},
      {{"-i", "-p"}, 2, {"Error: Incorrect number of parameters"}, 0},
      // Pause seen before the error: a wait without a prompt.
      {{"-p", "-i"}, 2, {"Error: Incorrect number of parameters"}, 1},
      {{"-i", "a.tif", "--profile=/nonexistent.ini"}, 2, {"Error: Invalid profile file"}, 0},
  };
  for (const auto& c : cases) {
    const FrontEndRun run = RunWith(c.params);
    EXPECT_EQ(run.code, c.code) << c.params.front();
    EXPECT_EQ(run.transcript.out, c.out) << c.params.front();
    EXPECT_EQ(run.transcript.keyWaits, c.keyWaits) << c.params.front();
    EXPECT_EQ(run.transcript.titles, std::vector<std::string>{"Rastrel 3.3"}) << c.params.front();
    EXPECT_TRUE(run.transcript.err.empty()) << c.params.front();
  }

  const FrontEndRun help = RunWith({"-?"});
  EXPECT_EQ(help.code, 0);
  ASSERT_EQ(help.transcript.out.size(), 38u);
  EXPECT_EQ(help.transcript.out[3], "  rastrel -i example.tiff");
}

TEST(RunFrontEnd, WithoutAnInputTheWindowInterfaceIsNeeded) {
  const Params cases[] = {{}, {"-q"}, {"-o", "/out", "--width=5"}, {"-U"}, {"-T", "/shots"}, {"-i=x"}};
  for (const Params& params : cases) {
    const FrontEndRun run = RunWith(params);
    const std::string line = params.empty() ? "(none)" : params.front();
    EXPECT_EQ(run.code, 3) << line;
    EXPECT_TRUE(run.transcript.out.empty()) << line;
    EXPECT_EQ(run.transcript.err, std::vector<std::string>{kNoWindow}) << line;
  }
}

TEST(RunFrontEnd, ConsoleRunPrintsBannerUnlessQuietAndPromptsOnPause) {
  const FrontEndRun plain = RunWith({"-i", "/nonexistent/a.tif"});
  ASSERT_GE(plain.transcript.out.size(), kBanner.size());
  EXPECT_EQ(std::vector<std::string>(plain.transcript.out.begin(), plain.transcript.out.begin() + 4),
            kBanner);
  EXPECT_EQ(plain.transcript.keyWaits, 0);
  EXPECT_EQ(plain.transcript.titles, std::vector<std::string>{"Rastrel 3.3"});
  EXPECT_NE(plain.transcript.out.back(), "Press any key to exit.");

  const FrontEndRun quiet = RunWith({"-q", "-p", "-i", "/nonexistent/a.tif"});
  ASSERT_FALSE(quiet.transcript.out.empty());
  EXPECT_NE(quiet.transcript.out.front(), kBanner.front());
  EXPECT_EQ(quiet.transcript.out.back(), "Press any key to exit.");
  EXPECT_EQ(quiet.transcript.keyWaits, 1);
  // A batch that converted nothing never reports success.
  EXPECT_NE(quiet.code, 0);
  EXPECT_NE(plain.code, 0);
}

}  // namespace
}  // namespace rastrel
