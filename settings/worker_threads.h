// How many worker processes convert a console batch: "--threads=N" on the command line or
// as a key of a profile's CLI group. Not one of the image options: it changes how a batch
// runs, never what it writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace rastrel {

inline constexpr std::string_view kThreadsOptionName = "--THREADS";
inline constexpr std::int32_t kMaxWorkerThreads = 256;

// A whole decimal number from 1 to kMaxWorkerThreads, blanks and one pair of double quotes
// around it allowed; none for anything else.
std::optional<std::int32_t> ParseWorkerThreads(std::string_view value);

}  // namespace rastrel
