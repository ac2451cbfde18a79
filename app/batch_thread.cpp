#include "app/batch_thread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace rastrel {

bool RunBatchThread(const std::function<void()>& body, const std::function<void()>& tick, int tickMs) {
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  std::thread thread;
  try {
    thread = std::thread([&] {
      body();
      std::lock_guard lock(mutex);
      done = true;
      ended.notify_one();
    });
  } catch (const std::system_error&) {
    return false;
  }
  {
    std::unique_lock lock(mutex);
    while (!ended.wait_for(lock, std::chrono::milliseconds(tickMs), [&] { return done; })) {
      if (!tick) continue;
      lock.unlock();
      tick();
      lock.lock();
    }
  }
  thread.join();
  return true;
}

}  // namespace rastrel
