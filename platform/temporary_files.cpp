#include "platform/temporary_files.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <vector>

namespace rastrel {

namespace {

struct Tracked {
  std::mutex mutex;
  std::vector<std::string> paths;
};

Tracked& TrackedFiles() {
  // Never destroyed: a thread may still write while the process ends.
  static Tracked* tracked = new Tracked;
  return *tracked;
}

}  // namespace

UniqueFd CreateTrackedTemporaryFile(std::string& pattern) {
  Tracked& tracked = TrackedFiles();
  // Creation and remembering happen under one lock, so the exit path sees either no file
  // or a remembered one.
  std::lock_guard lock(tracked.mutex);
  UniqueFd fd(::mkostemp(pattern.data(), O_CLOEXEC));
  if (fd) tracked.paths.push_back(pattern);
  return fd;
}

void ForgetTrackedTemporaryFile(const std::string& path) {
  Tracked& tracked = TrackedFiles();
  std::lock_guard lock(tracked.mutex);
  const auto found = std::find(tracked.paths.begin(), tracked.paths.end(), path);
  if (found != tracked.paths.end()) tracked.paths.erase(found);
}

void RemoveTrackedTemporaryFilesForExit() {
  Tracked& tracked = TrackedFiles();
  // Deliberately never released: the caller ends the process, and until then no writer may
  // create a file that nobody would remove.
  tracked.mutex.lock();
  // A file renamed into place a moment ago is gone under this name: unlink then fails
  // harmlessly and the finished output stays.
  for (const std::string& path : tracked.paths) ::unlink(path.c_str());
  tracked.paths.clear();
}

}  // namespace rastrel
