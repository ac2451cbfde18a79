// What the fuzz targets and the seed writer share: how one input is cut into several
// values, and the scratch folder every target works in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rastrel::fuzzing {

// Targets that take several values (an argument vector, a mask and a text...) read them
// from one input, separated by NUL bytes. At most `maxFields` values; the last holds the rest.
std::vector<std::string> SplitFields(const std::uint8_t* data, std::size_t size, std::size_t maxFields);
// The inverse, for the seed writer.
std::string JoinFields(const std::vector<std::string>& fields);

// A folder made once per process and removed when it ends, ending in '/'. It holds a small
// tree of input files (see fuzz_support.cpp) that list files and profiles can name.
const std::string& Sandbox();

// Writes `bytes` to `path`, replacing what was there; false when it cannot.
bool WriteBytes(const std::string& path, std::string_view bytes);

}  // namespace rastrel::fuzzing
