#include "engine/diagnostics.h"

#include <FreeImage.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string_view>

namespace rastrel {

namespace {
thread_local DiagnosticsCapture* tCurrent = nullptr;
}  // namespace

void RecordMessage(DiagnosticsCapture& capture, std::string message, bool ours) {
  if (!capture.prefix_.empty()) message = capture.prefix_ + message;
  auto& sink = capture.sink_;
  if (std::find(sink.begin(), sink.end(), message) != sink.end()) return;
  // Our own messages are few and say why a file failed; a flood from a library must not
  // push them out.
  if (ours) {
    sink.push_back(std::move(message));
    return;
  }
  if (capture.added_ >= DiagnosticsCapture::kMaxMessages) {
    ++capture.suppressed_;
    return;
  }
  ++capture.added_;
  sink.push_back(std::move(message));
}

std::string FormatLibtiffMessage(const char* kind, const char* module, const char* format, va_list args) {
  std::string message = "libtiff ";
  message += kind;
  message += ": ";
  if (module != nullptr && *module != '\0') {
    message += module;
    message += ": ";
  }
  char buffer[1024];
  const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  if (n > 0) message.append(buffer, std::min(static_cast<std::size_t>(n), sizeof buffer - 1));
  return message;
}

namespace {

__attribute__((format(printf, 3, 0))) void TiffMessage(const char* kind, const char* module, const char* fmt,
                                                       va_list args) {
  if (tCurrent == nullptr || fmt == nullptr) return;
  // FreeImage asks libtiff about every EXIF tag it knows, whether or not the file has it,
  // and libtiff complains about each one it does not: nothing about the file.
  if (module != nullptr && std::string_view(module) == "TIFFFieldWithTag") return;
  RecordMessage(*tCurrent, FormatLibtiffMessage(kind, module, fmt, args), false);
}

__attribute__((format(printf, 2, 0))) void TiffWarning(const char* module, const char* fmt, va_list args) {
  TiffMessage("warning", module, fmt, args);
}
__attribute__((format(printf, 2, 0))) void TiffError(const char* module, const char* fmt, va_list args) {
  TiffMessage("error", module, fmt, args);
}

void FreeImageMessage(FREE_IMAGE_FORMAT format, const char* text) {
  if (tCurrent == nullptr || text == nullptr) return;
  std::string message = "FreeImage";
  if (const char* name = FreeImage_GetFormatFromFIF(format)) {
    message += " (";
    message += name;
    message += ")";
  }
  message += ": ";
  message += text;
  RecordMessage(*tCurrent, std::move(message), false);
}

}  // namespace

void InstallLibraryMessageHandlers() {
  static std::once_flag once;
  std::call_once(once, [] {
    TIFFSetWarningHandler(TiffWarning);
    TIFFSetErrorHandler(TiffError);
    FreeImage_SetOutputMessage(FreeImageMessage);
  });
}

DiagnosticsCapture::DiagnosticsCapture(std::vector<std::string>& sink) : sink_(sink), previous_(tCurrent) {
  InstallLibraryMessageHandlers();
  tCurrent = this;
}

DiagnosticsCapture::~DiagnosticsCapture() {
  if (suppressed_ > 0) {
    std::string note = std::to_string(suppressed_);
    note += " more library messages not shown";
    sink_.push_back(std::move(note));
  }
  tCurrent = previous_;
}

void DiagnosticsCapture::SetPrefix(std::string prefix) { prefix_ = std::move(prefix); }

void DiagnosticsCapture::Add(const std::string& message) { RecordMessage(*this, message, true); }

}  // namespace rastrel
