#include <gtest/gtest.h>

#include "platform/filesystem.h"
#include "tests/support/temp_folder.h"

namespace rastrel {
namespace {

// A worker writes under its job's tag; after a crash the coordinator removes exactly that
// job's files, never another job's or a finished output.
TEST(StagedFiles, TaggedFilesAreRemovedOnlyForTheirTag) {
  fixtures::TempFolder temp;
  const std::string out = temp.MakeFolder("out");
  const auto first = WriteTemporaryFileBeside(out + "a.jpg", "aaaa", "c1j1");
  const auto second = WriteTemporaryFileBeside(out + "b.jpg", "bbbb", "c1j1");
  const auto other = WriteTemporaryFileBeside(out + "c.jpg", "cccc", "c1j12");
  ASSERT_TRUE(first && second && other);
  EXPECT_EQ(first->rfind(out + ".~rastrel-c1j1-", 0), 0u) << *first;
  temp.Write("out/kept.jpg", "done");

  EXPECT_EQ(RemoveTemporaryFilesTagged(out, "c1j1"), 2);
  EXPECT_EQ(FileSize(*first), kFileMissing);
  EXPECT_EQ(FileSize(*second), kFileMissing);
  EXPECT_EQ(RemoveTemporaryFilesTagged(out, ""), 0);

  // The surviving job's file is moved into place whole, replacing what was there.
  temp.Write("out/c.jpg", "old");
  EXPECT_TRUE(MoveTemporaryFileInPlace(*other, out + "c.jpg"));
  EXPECT_EQ(ReadWholeFile(out + "c.jpg"), "cccc");
  EXPECT_EQ(ReadWholeFile(out + "kept.jpg"), "done");
  EXPECT_EQ(ListFolder(out).size(), 2u);
}

}  // namespace
}  // namespace rastrel
