// The pages of one input file, loaded one at a time, each as an image the caller owns.
#pragma once

#include <optional>
#include <string>

#include "engine/bitmap.h"
#include "engine/freeimage_handles.h"

namespace rastrel {

class DiagnosticsCapture;

class PageSource {
 public:
  explicit PageSource(std::string path);

  // 0 when the file is not an image FreeImage can open.
  int PageCount() const { return pageCount_; }

  // Page `index` (0-based). No image when it cannot be decoded by any means.
  Bitmap Load(int index, DiagnosticsCapture& diagnostics);

 private:
  Bitmap LoadWithFreeImage(int index);
  Bitmap OldJpegFallback(int index, const Bitmap& decoded, DiagnosticsCapture& diagnostics);

  std::string path_;
  MultiBitmap container_;
  Bitmap single_;  // the file loaded as one image when it cannot be opened page by page
  int pageCount_ = 0;
  std::optional<std::string> bytes_;  // the whole file, read once when a fallback needs it
};

}  // namespace rastrel
