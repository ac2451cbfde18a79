// Pipes between this process and its children, and waiting on several of them at once.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/unique_fd.h"

namespace rastrel {

struct Pipe {
  UniqueFd readEnd;
  UniqueFd writeEnd;
};

// Both ends close on exec; a child gets an end only when it is passed explicitly.
std::optional<Pipe> MakePipe();

// The descriptor is closed in any program this process starts.
void SetCloseOnExec(int fd);

// Writes every byte; false when the reader is gone (EPIPE) or the write fails.
bool WriteAllBytes(int fd, std::string_view bytes);

// Reads what is there, up to `buffer.size()` bytes, waiting for at least one. Returns the
// count, 0 at end of file, -1 on an error.
ssize_t ReadSomeBytes(int fd, std::span<char> buffer);

// Reads exactly buffer.size() bytes; false at an early end of file or on an error.
bool ReadExactBytes(int fd, std::span<char> buffer);

// Waits up to `timeoutMs` (negative: without limit) until one of `fds` can be read without
// blocking, or has reached end of file or an error. Returns the flag of each descriptor;
// all false when the time ran out.
std::vector<bool> WaitUntilReadable(std::span<const int> fds, int timeoutMs);

}  // namespace rastrel
