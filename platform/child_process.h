// Child processes: started with spawn and exec (never a bare fork of a threaded process),
// owned by one object, ended and reaped explicitly.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace rastrel {

struct SpawnRequest {
  std::string executable;
  std::vector<std::string> arguments;  // after the program name
  // Descriptors the child finds open: {parent descriptor, number in the child}. Every other
  // descriptor the parent opened with close-on-exec stays closed.
  std::vector<std::pair<int, int>> descriptors;
  // The child's standard output goes to the parent's standard error, so nothing it prints
  // can reach the lines a console user reads.
  bool outputToErrorStream = true;
};

// How a child ended.
struct ChildEnd {
  bool exited = false;  // returned from main or called exit
  int exitCode = 0;     // when exited
  int signal = 0;       // the signal that ended it, when not exited
};

// "exit code 3", "signal 6 (Aborted)".
std::string DescribeChildEnd(const ChildEnd& end);

// Owns a running child: destroying it kills the child and reaps it.
class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(ChildProcess&& other) noexcept : pid_(std::exchange(other.pid_, -1)) {}
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  // Starts the child; no process and `error` set when it cannot be started (the executable
  // missing or not runnable included).
  static std::optional<ChildProcess> Spawn(const SpawnRequest& request, std::string& error);

  pid_t pid() const { return pid_; }
  explicit operator bool() const { return pid_ > 0; }

  // Sends SIGKILL; the child stays unreaped.
  void Kill();
  // Blocks until the child has ended, without reaping it, so that its process id cannot be
  // reused while the caller cleans up after it.
  ChildEnd WaitUntilEnded();
  // Reaps an ended child (blocking until it has ended) and gives up ownership.
  ChildEnd Reap();

 private:
  explicit ChildProcess(pid_t pid) : pid_(pid) {}
  pid_t pid_ = -1;
};

}  // namespace rastrel
