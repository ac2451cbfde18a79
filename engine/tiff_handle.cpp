#include "engine/tiff_handle.h"

#include <cstdarg>
#include <utility>

#include "engine/diagnostics.h"

namespace rastrel {
namespace {

constexpr int kMaxMessages = 20;

// libtiff's messages are printf formats with their arguments.
__attribute__((format(printf, 4, 0))) void Record(void* userData, const char* kind, const char* module,
                                                  const char* format, va_list args) {
  auto* sink = static_cast<TiffHandle::Sink*>(userData);
  if (sink == nullptr || sink->lines == nullptr) return;
  ++sink->count;
  if (sink->count > kMaxMessages) {
    // One line stands for all the messages beyond the cap; it is rewritten as they come.
    std::string summary = "libtiff: " + std::to_string(sink->count - kMaxMessages) + " further messages";
    if (sink->count == kMaxMessages + 1) {
      sink->summaryIndex = sink->lines->size();
      sink->lines->push_back(std::move(summary));
    } else if (sink->summaryIndex < sink->lines->size()) {
      (*sink->lines)[sink->summaryIndex] = std::move(summary);
    }
    return;
  }
  sink->lines->push_back(FormatLibtiffMessage(kind, module, format, args));
}

// Returning 1 tells libtiff the message is handled, so the process-wide handlers (which
// print to standard error) are not called.
__attribute__((format(printf, 4, 0))) int OnError(TIFF*, void* userData, const char* module,
                                                  const char* format, va_list args) {
  Record(userData, "error", module, format, args);
  return 1;
}

__attribute__((format(printf, 4, 0))) int OnWarning(TIFF*, void* userData, const char* module,
                                                    const char* format, va_list args) {
  Record(userData, "warning", module, format, args);
  return 1;
}

}  // namespace

TiffHandle OpenTiffForReading(const std::string& path, std::vector<std::string>& diagnostics,
                              std::uint64_t maxSingleAlloc) {
  auto sink = std::make_unique<TiffHandle::Sink>();
  sink->lines = &diagnostics;
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (options == nullptr) return {};
  TIFFOpenOptionsSetErrorHandlerExtR(options, OnError, sink.get());
  TIFFOpenOptionsSetWarningHandlerExtR(options, OnWarning, sink.get());
  if (maxSingleAlloc != 0)
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(maxSingleAlloc));
  TIFF* tif = TIFFOpenExt(path.c_str(), "rm", options);
  TIFFOpenOptionsFree(options);
  if (tif == nullptr) return {};
  return TiffHandle(tif, std::move(sink));
}

}  // namespace rastrel
