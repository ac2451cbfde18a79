// Ctrl+C (and the signals that end a process from outside) during a console batch.
//
// While a watch lives, SIGINT, SIGTERM and SIGHUP are taken by a thread of its own instead
// of ending the process where it stands:
// - the first SIGINT calls `onFirst` on that thread, so the batch can finish the file in
//   hand and stop;
// - a second SIGINT, or any SIGTERM or SIGHUP, removes the temporary files of unfinished
//   atomic writes and ends the process at once with 128 + the signal number.
// A signal that the process inherited as ignored (a job started in the background) stays
// ignored.
#pragma once

#include <signal.h>

#include <atomic>
#include <functional>
#include <thread>

#include "platform/unique_fd.h"

namespace rastrel {

inline constexpr int kInterruptedExitCode = 128 + 2;  // the shell's code for an end by SIGINT

class InterruptWatch {
 public:
  // Must be created before any thread whose work it guards: threads started afterwards
  // inherit the blocked signals, so only the watch ever receives them.
  explicit InterruptWatch(std::function<void()> onFirst);
  ~InterruptWatch();
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;

  // True once the first SIGINT arrived.
  bool Interrupted() const { return interrupted_.load(); }

 private:
  void Watch();

  std::function<void()> onFirst_;
  std::atomic<bool> interrupted_{false};
  bool active_ = false;
  sigset_t watched_{};
  sigset_t savedMask_{};  // the creating thread's mask, restored at the end
  UniqueFd signals_;
  UniqueFd wakeRead_;
  UniqueFd wakeWrite_;
  std::thread thread_;
};

}  // namespace rastrel
