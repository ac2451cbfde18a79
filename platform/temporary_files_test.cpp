#include "platform/temporary_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "tests/support/temp_folder.h"

namespace rastrel {
namespace {

// Run in a child process: the removal keeps its lock for good, as the process ends right after.
TEST(TemporaryFilesDeathTest, ExitRemovesWhatIsStillTrackedAndNothingElse) {
  fixtures::TempFolder folder;
  const std::string finished = folder.path() + "done.jpg";
  EXPECT_EXIT(
      {
        std::string pending = folder.path() + ".~rastrel-XXXXXX";
        const UniqueFd fd = CreateTrackedTemporaryFile(pending);
        std::string forgotten = folder.path() + ".~rastrel-XXXXXX";
        const UniqueFd kept = CreateTrackedTemporaryFile(forgotten);
        ForgetTrackedTemporaryFile(forgotten);
        const bool written = WriteFileAtomically(finished, "bytes");
        RemoveTrackedTemporaryFilesForExit();
        // What is left: the finished file and the one that was forgotten (handed over).
        std::vector<DirEntry> left = ListFolder(folder.path());
        const bool pendingGone = FileSize(pending) == kFileMissing;
        ::_exit(fd && kept && written && pendingGone && left.size() == 2 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace rastrel
