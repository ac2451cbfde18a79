#include "app/console_batch.h"

namespace rastrel {

// Conversion is not wired in yet: nothing is collected, so nothing is converted.
int ConsoleBatchRun(const ConsoleRequest& /*request*/, Settings& /*settings*/, Console& /*console*/) {
  return 1;
}

}  // namespace rastrel
