#include "platform/line_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace rastrel {

namespace {
constexpr std::size_t kChunk = 64 * 1024;
}

bool LineReader::Open(const std::string& path) {
  fd_.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  buffer_.clear();
  pos_ = 0;
  eof_ = !fd_;
  skipLf_ = false;
  return static_cast<bool>(fd_);
}

bool LineReader::Fill() {
  if (eof_) return false;
  buffer_.erase(0, pos_);
  pos_ = 0;
  char chunk[kChunk];
  for (;;) {
    const ssize_t n = ::read(fd_.get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {  // end of file, or an error (a folder, a vanished device): no more lines
      eof_ = true;
      fd_.reset();
      return false;
    }
    buffer_.append(chunk, static_cast<std::size_t>(n));
    return true;
  }
}

bool LineReader::Next(std::string& line, bool& truncated) {
  line.clear();
  truncated = false;
  bool any = false;
  for (;;) {
    if (pos_ == buffer_.size() && !Fill()) return any;
    if (skipLf_) {
      skipLf_ = false;
      if (buffer_[pos_] == '\n') {
        ++pos_;
        continue;
      }
    }
    any = true;
    const std::size_t end = buffer_.find_first_of("\r\n", pos_);
    const std::size_t stop = end == std::string::npos ? buffer_.size() : end;
    const std::size_t room = kMaxLine - line.size();
    if (stop - pos_ > room) truncated = true;
    line.append(buffer_, pos_, std::min(stop - pos_, room));
    if (end == std::string::npos) {
      pos_ = buffer_.size();
      continue;
    }
    skipLf_ = buffer_[end] == '\r';
    pos_ = end + 1;
    return true;
  }
}

}  // namespace rastrel
