#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "tests/support/temp_folder.h"

namespace rastrel {
namespace {

// "--threads" sets the number of worker processes from the command line or a profile; it
// is checked like the other options that take a value, and a bad count is an error line.
TEST(ThreadsOption, SetsTheWorkerCountOrNamesTheError) {
  fixtures::TempFolder temp;
  const std::string profile = temp.Write("p.ini", "[CLI]\n--threads=3\n--width=5\n");
  const std::string badProfile = temp.Write("bad.ini", "[CLI]\n--THREADS=many\n");
  const struct {
    std::vector<std::string> params;
    int threads;
    std::string error;
  } cases[] = {
      {{"-i", "a.tif", "--threads=4"}, 4, ""},
      {{"--THREADS=1", "-i", "a.tif"}, 1, ""},
      {{"-i", "a.tif", "--threads=\"2\""}, 2, ""},
      {{"-i", "a.tif", "--threads=256"}, 256, ""},
      {{"-i", "a.tif"}, 0, ""},  // one per processor
      {{"-i", "a.tif", "--threads=0"}, 0, "Invalid number of threads"},
      {{"-i", "a.tif", "--threads=257"}, 0, "Invalid number of threads"},
      {{"-i", "a.tif", "--threads=-2"}, 0, "Invalid number of threads"},
      {{"-i", "a.tif", "--threads=2x"}, 0, "Invalid number of threads"},
      {{"-i", "a.tif", "--threads"}, 0, "Incorrect number of parameters"},
      {{"-i", "a.tif", "--profile=" + profile}, 3, ""},
      {{"-i", "a.tif", "--profile=" + profile, "--threads=2"}, 2, ""},
      {{"-i", "a.tif", "--threads=2", "--profile=" + badProfile}, 2, ""},  // a profile cannot fail
  };
  for (const auto& c : cases) {
    const CommandLine line = ParseCommandLine(c.params, Settings{});
    SCOPED_TRACE(c.params.back());
    EXPECT_EQ(line.errorText, c.error);
    if (c.error.empty()) {
      EXPECT_EQ(line.settings.advanced.workerThreads, c.threads);
    }
  }
}

}  // namespace
}  // namespace rastrel
