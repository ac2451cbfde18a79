// Progress shared between a running batch (import or conversion) and whoever started it.
// Counts, path and duration change only under the lock; keep going is read once per item.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace rastrel {

struct BatchProgress {
  int progressCount = 0;
  std::string progressPath;
  std::int64_t lastDuration = 0;  // ms
  int resultCount = 0;
};

class BatchStatus {
 public:
  // What a starter does before the thread starts.
  void Reset() {
    std::lock_guard lock(mutex_);
    progress_ = {};
    keepGoing_.store(true);
  }
  bool KeepGoing() const { return keepGoing_.load(std::memory_order_relaxed); }
  void RequestStop() { keepGoing_.store(false); }

  BatchProgress Snapshot() const {
    std::lock_guard lock(mutex_);
    return progress_;
  }
  template <typename Update>
  void Modify(Update&& update) {
    std::lock_guard lock(mutex_);
    update(progress_);
  }

 private:
  mutable std::mutex mutex_;
  BatchProgress progress_;
  std::atomic<bool> keepGoing_{true};
};

}  // namespace rastrel
