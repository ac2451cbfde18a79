#include "platform/temporary_files.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <vector>

#include "platform/filesystem.h"

namespace rastrel {

namespace {

struct ChildFiles {
  long childId = 0;
  std::string folder;
  std::string tag;
};

struct Tracked {
  std::mutex mutex;
  std::vector<std::string> paths;
  std::vector<ChildFiles> children;
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

void TrackTemporaryFile(const std::string& path) {
  Tracked& tracked = TrackedFiles();
  std::lock_guard lock(tracked.mutex);
  tracked.paths.push_back(path);
}

void TrackChildTemporaryFiles(long childId, const std::string& folder, const std::string& tag) {
  Tracked& tracked = TrackedFiles();
  std::lock_guard lock(tracked.mutex);
  tracked.children.push_back({childId, folder, tag});
}

void ForgetChildTemporaryFiles(long childId) {
  Tracked& tracked = TrackedFiles();
  std::lock_guard lock(tracked.mutex);
  std::erase_if(tracked.children, [&](const ChildFiles& files) { return files.childId == childId; });
}

void RemoveTrackedTemporaryFilesForExit() {
  Tracked& tracked = TrackedFiles();
  // Deliberately never released: the caller ends the process, and until then no writer may
  // create a file that nobody would remove.
  tracked.mutex.lock();
  // A child cannot create another file once it has ended; it is not reaped here, so its
  // process id stays its own.
  for (const ChildFiles& files : tracked.children) ::kill(static_cast<pid_t>(files.childId), SIGKILL);
  for (const ChildFiles& files : tracked.children) {
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(files.childId), &info, WEXITED | WNOWAIT) != 0 &&
           errno == EINTR) {
    }
  }
  for (const ChildFiles& files : tracked.children) RemoveTemporaryFilesTagged(files.folder, files.tag);
  tracked.children.clear();
  // A file renamed into place a moment ago is gone under this name: unlink then fails
  // harmlessly and the finished output stays.
  for (const std::string& path : tracked.paths) ::unlink(path.c_str());
  tracked.paths.clear();
}

}  // namespace rastrel
