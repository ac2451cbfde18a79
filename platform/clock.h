// Time sources: a monotonic clock for durations, the local wall-clock date, and uniform
// random integers.
#pragma once

#include <cstdint>
#include <random>

namespace rastrel {

std::int64_t MonotonicMilliseconds();

// Seconds since 1970-01-01 00:00:00 counted in local time (the local date and time read as
// if it were UTC), as the settings record stores dates.
std::int32_t LocalNowAsDate();

struct LocalDateTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

LocalDateTime LocalNow();
// The local date and time of a moment given in seconds since the epoch (UTC).
LocalDateTime ToLocalDateTime(std::int64_t secondsSinceEpoch);
// The moment (seconds since the epoch, UTC) at which the local clock shows the date and
// time of `localDate`, a count in local time as the settings record stores dates. Daylight
// saving follows the time zone's rules for that date.
std::int64_t LocalDateToEpoch(std::int32_t localDate);

// Uniform random integers. Each user owns its generator, so concurrent workers never share
// state and a test can fix the seed.
class RandomIntegers {
 public:
  RandomIntegers();  // seeded from the system's entropy source
  explicit RandomIntegers(std::uint64_t seed) : engine_(seed) {}

  // A value in [low, high], both included; the bounds may come in either order.
  std::int64_t Between(std::int64_t low, std::int64_t high);

 private:
  std::mt19937_64 engine_;
};

}  // namespace rastrel
