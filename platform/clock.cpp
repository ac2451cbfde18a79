#include "platform/clock.h"

#include <chrono>
#include <ctime>
#include <utility>

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

LocalDateTime ToLocalDateTime(std::int64_t secondsSinceEpoch) {
  const std::time_t moment = static_cast<std::time_t>(secondsSinceEpoch);
  std::tm local{};
  if (localtime_r(&moment, &local) == nullptr) return {};
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::int64_t LocalDateToEpoch(std::int32_t localDate) {
  const std::time_t asUtc = static_cast<std::time_t>(localDate);
  std::tm fields{};
  if (gmtime_r(&asUtc, &fields) == nullptr) return localDate;
  fields.tm_isdst = -1;  // let the zone's rules decide for that date
  const std::time_t moment = std::mktime(&fields);
  return moment == static_cast<std::time_t>(-1) ? localDate : static_cast<std::int64_t>(moment);
}

LocalDateTime LocalNow() { return ToLocalDateTime(static_cast<std::int64_t>(std::time(nullptr))); }

RandomIntegers::RandomIntegers() {
  std::random_device device;
  std::seed_seq seed{device(), device(), device(), device()};
  engine_.seed(seed);
}

std::int64_t RandomIntegers::Between(std::int64_t low, std::int64_t high) {
  if (low > high) std::swap(low, high);
  return std::uniform_int_distribution<std::int64_t>(low, high)(engine_);
}

}  // namespace rastrel
