#include "platform/bounded_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/unique_fd.h"

namespace rastrel {

std::optional<BoundedRead> ReadFileUpTo(const std::string& path, std::size_t maxBytes) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return std::nullopt;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;

  BoundedRead result;
  char buffer[1 << 16];
  for (;;) {
    // One byte beyond the limit is asked for so that a file of exactly the limit is not
    // reported as cut.
    const std::size_t room = maxBytes + 1 - result.bytes.size();
    const std::size_t want = room < sizeof buffer ? room : sizeof buffer;
    const ssize_t n = ::read(fd.get(), buffer, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (n == 0) break;
    result.bytes.append(buffer, static_cast<std::size_t>(n));
    if (result.bytes.size() > maxBytes) {
      result.bytes.resize(maxBytes);
      result.truncated = true;
      break;
    }
  }
  return result;
}

}  // namespace rastrel
