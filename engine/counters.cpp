#include "engine/counters.h"

#include "platform/clock.h"

namespace rastrel {

int DrawRandomNumber() {
  // One generator per thread: workers never share its state.
  thread_local RandomIntegers generator;
  return static_cast<int>(generator.Between(1, kRandomNumberMax));
}

FileCounters ResetFileCounters() { return FileCounters{DrawRandomNumber(), 1}; }

void AdvanceFileCounters(FileCounters& counters) {
  counters.randomNumber = DrawRandomNumber();
  ++counters.fileCounter;
}

}  // namespace rastrel
