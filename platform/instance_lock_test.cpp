#include "platform/instance_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/filesystem.h"

namespace rastrel {
namespace {

class InstanceLockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/rastrel-lock-test-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = std::string(pattern) + "/";
  }
  void TearDown() override {
    for (const DirEntry& e : ListFolder(folder_)) ::unlink((folder_ + e.name).c_str());
    ::rmdir(folder_.c_str());
  }
  std::string folder_;
};

TEST_F(InstanceLockTest, SecondHolderIsRefusedUntilTheFirstIsGone) {
  {
    InstanceLock first = InstanceLock::Acquire("Rastrel 3.3", folder_);
    ASSERT_EQ(first.state(), InstanceLockState::kHeld);
    EXPECT_EQ(first.path(), folder_ + "Rastrel 3.3.lock");

    // A moved lock is still held: ownership travels with the object.
    InstanceLock moved = std::move(first);
    EXPECT_EQ(InstanceLock::Acquire("Rastrel 3.3", folder_).state(), InstanceLockState::kHeldElsewhere);
    // Another title is another lock.
    EXPECT_EQ(InstanceLock::Acquire("Rastrel 3.4", folder_).state(), InstanceLockState::kHeld);
  }
  EXPECT_EQ(InstanceLock::Acquire("Rastrel 3.3", folder_).state(), InstanceLockState::kHeld);
}

TEST_F(InstanceLockTest, MissingOrUnusableFolderIsUnavailableNotHeld) {
  EXPECT_EQ(InstanceLock::Acquire("Rastrel 3.3", folder_ + "missing/").state(),
            InstanceLockState::kUnavailable);
  EXPECT_EQ(InstanceLock::Acquire("Rastrel 3.3", "").state(), InstanceLockState::kUnavailable);
  // A planted link must not be followed.
  ASSERT_EQ(::symlink("/etc/passwd", (folder_ + "Rastrel 3.3.lock").c_str()), 0);
  EXPECT_EQ(InstanceLock::Acquire("Rastrel 3.3", folder_).state(), InstanceLockState::kUnavailable);
}

TEST_F(InstanceLockTest, FolderComesFromXdgRuntimeDirElsePrivateTmp) {
  const char* old = std::getenv("XDG_RUNTIME_DIR");
  const std::string saved = old != nullptr ? old : "";

  ::setenv("XDG_RUNTIME_DIR", folder_.substr(0, folder_.size() - 1).c_str(), 1);
  EXPECT_EQ(InstanceLockFolder(), folder_);

  ::setenv("XDG_RUNTIME_DIR", (folder_ + "gone").c_str(), 1);
  const std::string expected = "/tmp/rastrel-" + std::to_string(::getuid()) + "/";
  EXPECT_EQ(InstanceLockFolder(), expected);

  ::unsetenv("XDG_RUNTIME_DIR");
  const std::string fallback = InstanceLockFolder();
  EXPECT_EQ(fallback, expected);
  struct stat st {};
  ASSERT_EQ(::lstat(fallback.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 077, 0u);

  if (old != nullptr) ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}

}  // namespace
}  // namespace rastrel
