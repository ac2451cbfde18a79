// Reads a text file line by line without holding it whole: list files can be long and
// come from anywhere.
#pragma once

#include <cstddef>
#include <string>

#include "platform/unique_fd.h"

namespace rastrel {

class LineReader {
 public:
  // A line longer than this cannot name a path; its excess is dropped and the line is
  // reported as truncated.
  static constexpr std::size_t kMaxLine = 64 * 1024;

  // False when the file cannot be opened for reading.
  bool Open(const std::string& path);
  // The next line without its end (CR LF, LF or CR). False at the end of the file or on
  // a read error. Bytes are passed through as they are; no decoding happens here.
  bool Next(std::string& line, bool& truncated);

 private:
  bool Fill();

  UniqueFd fd_;
  std::string buffer_;
  std::size_t pos_ = 0;
  bool eof_ = false;
  bool skipLf_ = false;  // the last line ended in CR; a following LF belongs to it
};

}  // namespace rastrel
