#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/filesystem.h"

namespace rastrel {
namespace {

// Sets an environment variable for one test and puts the old value back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(FileStem, DropsFolderAndExtension) {
  const struct {
    const char* path;
    const char* stem;
  } cases[] = {
      {"/usr/bin/rastrel", "rastrel"},
      {"/opt/tools/rastrel.bin", "rastrel"},
      {"rastrel.tar.gz", "rastrel.tar"},
      {"/home/u/.hidden", ".hidden"},
      {"/home/u.d/rastrel", "rastrel"},  // a dot in a folder name is no extension
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FileStem(c.path), c.stem) << c.path;
}

TEST(ProgramFolder, IsTheFolderOfTheRunningExecutable) {
  const std::string exe = ExecutablePath();
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_EQ(exe.rfind(folder, 0), 0u) << exe;
  EXPECT_EQ(exe.find('/', folder.size()), std::string::npos) << exe;
  EXPECT_GT(FileSize(exe), 0);
}

TEST(RoamingAppDataFolder, FollowsXdgConfigHomeElseHome) {
  const struct {
    const char* configHome;
    const char* home;
    const char* expected;
  } cases[] = {
      {"/srv/cfg", "/home/ann", "/srv/cfg/"},
      {"/srv/cfg/", "/home/ann", "/srv/cfg/"},
      {nullptr, "/home/ann", "/home/ann/.config/"},
      {"", "/home/ann/", "/home/ann/.config/"},
      {"relative/cfg", "/home/ann", "/home/ann/.config/"},  // not absolute: ignored
  };
  for (const auto& c : cases) {
    ScopedEnv config("XDG_CONFIG_HOME", c.configHome);
    ScopedEnv home("HOME", c.home);
    EXPECT_EQ(RoamingAppDataFolder(), c.expected) << (c.configHome ? c.configHome : "(unset)");
  }
}

}  // namespace
}  // namespace rastrel
