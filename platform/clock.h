// Time sources: a monotonic clock for durations and the local wall-clock date.
#pragma once

#include <cstdint>

namespace rastrel {

std::int64_t MonotonicMilliseconds();

// Seconds since 1970-01-01 00:00:00 counted in local time (the local date and time read as
// if it were UTC), as the settings record stores dates.
std::int32_t LocalNowAsDate();

}  // namespace rastrel
