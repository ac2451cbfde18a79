#include "platform/terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace rastrel {

bool StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

int StandardErrorColumns(int fallback) {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return fallback;
  return size.ws_col;
}

void WriteStandardError(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(STDERR_FILENO, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace rastrel
