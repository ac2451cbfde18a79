#include "platform/console.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace rastrel {

namespace {

// Writes everything, retrying after interruptions; a closed stream is not our failure to report.
void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void WriteLineTo(int fd, std::string_view line) {
  std::string buffer;
  buffer.reserve(line.size() + 1);
  buffer.append(line);
  buffer.push_back('\n');
  WriteAll(fd, buffer);
}

}  // namespace

Console Console::Standard() { return Console(false); }
Console Console::Recording() { return Console(true); }

void Console::WriteLine(std::string_view line) {
  if (recording_) {
    transcript_.out.emplace_back(line);
    return;
  }
  WriteLineTo(STDOUT_FILENO, line);
}

void Console::WriteErrorLine(std::string_view line) {
  if (recording_) {
    transcript_.err.emplace_back(line);
    return;
  }
  WriteLineTo(STDERR_FILENO, line);
}

void Console::SetTitle(std::string_view title) {
  if (recording_) {
    transcript_.titles.emplace_back(title);
    return;
  }
  if (::isatty(STDOUT_FILENO) != 1) return;
  std::string sequence = "\033]0;";
  for (const char c : title) {
    // A control character would end the sequence early and leak the rest onto the screen.
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) sequence.push_back(c);
  }
  sequence.push_back('\a');
  WriteAll(STDOUT_FILENO, sequence);
}

void Console::WaitForKey() {
  if (recording_) {
    ++transcript_.keyWaits;
    return;
  }
  if (::isatty(STDIN_FILENO) != 1) return;
  termios saved{};
  if (::tcgetattr(STDIN_FILENO, &saved) != 0) return;
  termios raw = saved;
  // Signals off too: Ctrl+C counts as the key instead of leaving the terminal without echo.
  raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  if (::tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw) != 0) return;
  char key = 0;
  while (::read(STDIN_FILENO, &key, 1) < 0 && errno == EINTR) {
  }
  // A key such as an arrow sends several bytes; the rest must not reach the shell.
  ::tcflush(STDIN_FILENO, TCIFLUSH);
  ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
}

}  // namespace rastrel
