#include "platform/pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace rastrel {

std::optional<Pipe> MakePipe() {
  int fds[2] = {-1, -1};
  if (::pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
  return Pipe{UniqueFd(fds[0]), UniqueFd(fds[1])};
}

void SetCloseOnExec(int fd) {
  const int flags = ::fcntl(fd, F_GETFD);
  if (flags >= 0) ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
}

bool WriteAllBytes(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

ssize_t ReadSomeBytes(int fd, std::span<char> buffer) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n >= 0 || errno != EINTR) return n;
  }
}

bool ReadExactBytes(int fd, std::span<char> buffer) {
  std::size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t n = ReadSomeBytes(fd, buffer.subspan(done));
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::vector<bool> WaitUntilReadable(std::span<const int> fds, int timeoutMs) {
  std::vector<pollfd> polled;
  polled.reserve(fds.size());
  for (int fd : fds) polled.push_back(pollfd{fd, POLLIN, 0});
  std::vector<bool> ready(fds.size(), false);
  int n = -1;
  do {
    n = ::poll(polled.data(), polled.size(), timeoutMs);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) return ready;
  for (std::size_t i = 0; i < polled.size(); ++i) {
    ready[i] = (polled[i].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) != 0;
  }
  return ready;
}

}  // namespace rastrel
