// The line that shows people at a terminal how far a console conversion has come: the file
// in hand out of all, its name, the time spent and an estimate of the time left. It
// rewrites itself in place on standard error and is erased when the batch ends, so
// standard output carries only the program's own lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace rastrel {

struct ProgressFacts {
  int current = 0;  // 1-based number of the file in hand; 0 before the first
  int total = 0;
  std::string_view path;       // of the file in hand
  std::int64_t elapsedMs = 0;  // since the conversion started
  // When the file in hand was started, on the same clock; the files before it took this long.
  std::int64_t currentStartedMs = 0;
};

// "1:05" or "2:03:04".
std::string FormatDuration(std::int64_t milliseconds);

// `text` cut to at most `width` characters (UTF-8 code points) by replacing its middle
// with "...", so both the start and the end of a long name stay readable.
std::string ShortenMiddle(std::string_view text, std::size_t width);

// The line, at most `columns` - 1 characters wide so the terminal never wraps it. The time
// left is the average time of the files finished so far for each file still to do, less
// the time already spent on the one in hand; "?" until a file is finished.
std::string ProgressText(const ProgressFacts& facts, int columns);

class ProgressLine {
 public:
  using Writer = std::function<void(std::string_view)>;

  // A line that writes nothing when `enabled` is false.
  ProgressLine(bool enabled, Writer write, int columns);

  // Redraws the line when its text changed. Notes by itself when the file in hand
  // changes, so `currentStartedMs` need not be filled.
  void Show(ProgressFacts facts);
  // Removes the line, leaving the cursor at the start of the empty line.
  void Erase();

 private:
  bool enabled_;
  Writer write_;
  int columns_;
  std::string shown_;
  int current_ = 0;
  std::int64_t currentStartedMs_ = 0;
};

}  // namespace rastrel
