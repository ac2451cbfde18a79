// The text console of a command-line run: lines on standard output, our own diagnostics on
// standard error, the terminal title and a wait for one key press.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rastrel {

// What a recording console received, in order. Lets the run logic be checked without a
// terminal.
struct ConsoleTranscript {
  std::vector<std::string> out;
  std::vector<std::string> err;
  std::vector<std::string> titles;
  int keyWaits = 0;
};

class Console {
 public:
  // The process's own standard streams.
  static Console Standard();
  // Keeps everything in a transcript instead of touching any stream.
  static Console Recording();

  // One UTF-8 line ended by LF on standard output.
  void WriteLine(std::string_view line);
  // One line on standard error: messages of our own that are not part of the output.
  void WriteErrorLine(std::string_view line);
  // Terminal title; only when standard output is a terminal, so a redirected run stays clean.
  void SetTitle(std::string_view title);
  // Reads one key in raw mode when standard input is a terminal; returns at once otherwise,
  // so a script never hangs.
  void WaitForKey();

  const ConsoleTranscript& transcript() const { return transcript_; }

 private:
  explicit Console(bool recording) : recording_(recording) {}

  bool recording_;
  ConsoleTranscript transcript_;
};

}  // namespace rastrel
