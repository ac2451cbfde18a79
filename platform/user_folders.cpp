#include "platform/user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace rastrel {
namespace {

std::string WithSlash(std::string path) {
  if (!path.empty() && path.back() != '/') path += '/';
  return path;
}

std::string HomeFromUserDatabase() {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
      found->pw_dir == nullptr) {
    return {};
  }
  return found->pw_dir;
}

}  // namespace

std::string UserConfigFolder() {
  // Relative values are ignored, as the XDG base-directory rules ask: they would make the
  // settings depend on the folder the program was started from.
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
    return WithSlash(config);
  }
  std::string home;
  if (const char* env = std::getenv("HOME"); env != nullptr && env[0] == '/') home = env;
  if (home.empty()) home = HomeFromUserDatabase();
  if (home.empty() || home.front() != '/') return {};
  return WithSlash(home) + ".config/";
}

}  // namespace rastrel
