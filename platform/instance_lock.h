// The single-instance guard: an exclusive advisory lock on a file named after the title
// text, held for as long as its owner lives. The system drops it when the process ends,
// however it ends, so a crashed copy never blocks the next one.
#pragma once

#include <string>
#include <string_view>

#include "platform/unique_fd.h"

namespace rastrel {

enum class InstanceLockState {
  kHeld,           // this process owns the lock
  kHeldElsewhere,  // another process owns it
  kUnavailable,    // the lock file could not be opened or locked
};

class InstanceLock {
 public:
  // Locks "<folder><name>.lock"; folder ends in '/'.
  static InstanceLock Acquire(std::string_view name, const std::string& folder);
  // Same, in the default folder of the current user.
  static InstanceLock Acquire(std::string_view name);

  InstanceLock(InstanceLock&&) noexcept = default;
  InstanceLock& operator=(InstanceLock&&) noexcept = default;

  InstanceLockState state() const { return state_; }
  const std::string& path() const { return path_; }

 private:
  InstanceLock(InstanceLockState state, std::string path, UniqueFd fd)
      : state_(state), path_(std::move(path)), fd_(std::move(fd)) {}

  InstanceLockState state_;
  std::string path_;
  UniqueFd fd_;
};

// $XDG_RUNTIME_DIR when it names an existing folder by an absolute path, else a private per-user folder under
// /tmp, created on demand (mode 0700). Ends in '/'; empty when no safe folder can be had.
std::string InstanceLockFolder();

}  // namespace rastrel
