#include "platform/clock.h"

#include <chrono>
#include <ctime>

namespace rastrel {

std::int64_t MonotonicMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int32_t LocalNowAsDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return static_cast<std::int32_t>(now + local.tm_gmtoff);
}

}  // namespace rastrel
