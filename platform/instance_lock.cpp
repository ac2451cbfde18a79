#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace rastrel {

namespace {

// A folder in /tmp can be planted by anyone; trust it only when it is a real folder of
// ours that nobody else can write into.
bool IsPrivateFolder(const std::string& folder) {
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

std::string InstanceLockFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st {};
  // A stale value (the session's folder already gone) falls back rather than failing.
  if (runtime != nullptr && runtime[0] == '/' && ::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
    std::string folder = runtime;
    if (folder.back() != '/') folder.push_back('/');
    return folder;
  }
  const std::string folder = "/tmp/rastrel-" + std::to_string(::getuid());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
  if (!IsPrivateFolder(folder)) return {};
  return folder + "/";
}

InstanceLock InstanceLock::Acquire(std::string_view name, const std::string& folder) {
  std::string path = folder;
  if (!path.empty() && path.back() != '/') path.push_back('/');
  path.append(name);
  path.append(".lock");
  if (folder.empty()) return InstanceLock(InstanceLockState::kUnavailable, std::move(path), UniqueFd());
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!fd) return InstanceLock(InstanceLockState::kUnavailable, std::move(path), UniqueFd());
  int rc;
  do {
    rc = ::flock(fd.get(), LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const InstanceLockState state =
        errno == EWOULDBLOCK ? InstanceLockState::kHeldElsewhere : InstanceLockState::kUnavailable;
    return InstanceLock(state, std::move(path), UniqueFd());
  }
  return InstanceLock(InstanceLockState::kHeld, std::move(path), std::move(fd));
}

InstanceLock InstanceLock::Acquire(std::string_view name) { return Acquire(name, InstanceLockFolder()); }

}  // namespace rastrel
