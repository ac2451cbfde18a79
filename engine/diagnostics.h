// Library chatter of one conversion. libtiff and FreeImage report through process-wide
// callbacks; while a capture is alive on a thread, everything they report on that thread
// lands in the capture's list instead of on standard error, so concurrent conversions keep
// their messages apart and the console stays clean.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>
#include <vector>

namespace rastrel {

class DiagnosticsCapture {
 public:
  explicit DiagnosticsCapture(std::vector<std::string>& sink);
  DiagnosticsCapture(const DiagnosticsCapture&) = delete;
  DiagnosticsCapture& operator=(const DiagnosticsCapture&) = delete;
  ~DiagnosticsCapture();

  // Text put in front of the messages that follow, e.g. "page 2: ".
  void SetPrefix(std::string prefix);
  // A message of our own: kept whatever the libraries said before it.
  void Add(const std::string& message);

  // Beyond this many distinct library messages per capture, further ones are only counted.
  static constexpr std::size_t kMaxMessages = 40;

 private:
  friend void RecordMessage(DiagnosticsCapture& capture, std::string message, bool ours);

  std::vector<std::string>& sink_;
  std::string prefix_;
  std::size_t added_ = 0;
  std::size_t suppressed_ = 0;
  DiagnosticsCapture* previous_;
};

// One libtiff message as a diagnostic line: "libtiff <kind>: <module>: <text>". libtiff's
// messages are printf formats with their arguments.
__attribute__((format(printf, 3, 0))) std::string FormatLibtiffMessage(const char* kind, const char* module,
                                                                       const char* format, va_list args);

// Installs the process-wide library callbacks once; messages reported on a thread without
// a capture are dropped. Called by every capture; call it early to silence start-up.
void InstallLibraryMessageHandlers();

}  // namespace rastrel
