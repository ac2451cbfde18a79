// Reading a file whose size nobody vouches for: at most a caller-chosen number of bytes
// ever reaches memory, however large the file is or grows while it is read.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace rastrel {

struct BoundedRead {
  std::string bytes;
  bool truncated = false;  // the file holds more than the limit; `bytes` is its start
};

// nullopt when the file cannot be opened or read (missing, a folder, no permission).
std::optional<BoundedRead> ReadFileUpTo(const std::string& path, std::size_t maxBytes);

}  // namespace rastrel
