// The pages of one input file, loaded one at a time, each as an image the caller owns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/bitmap.h"
#include "engine/freeimage_handles.h"
#include "engine/page_limit.h"
#include "engine/tiff_probe.h"

namespace rastrel {

class DiagnosticsCapture;

class PageSource {
 public:
  // With `libtiffOnly`, FreeImage never touches the file: the careful second attempt at a
  // file whose first attempt ended its worker. A page whose declared size is above
  // `maxDecodedBytes` (engine/page_limit.h) is never decoded: Load refuses it.
  explicit PageSource(std::string path, bool libtiffOnly = false,
                      std::uint64_t maxDecodedBytes = kDefaultMaxDecodedPageBytes);

  // 0 when the file is not an image FreeImage can open.
  int PageCount() const { return pageCount_; }

  // Page `index` (0-based), upright. No image when it cannot be decoded by any means, or
  // when its declared size is above the limit (said in `diagnostics`).
  Bitmap Load(int index, DiagnosticsCapture& diagnostics);

  // Bits per pixel of the page last loaded, as stored: what FreeImage loaded it as, or, for a
  // page decoded by libtiff into 8 bits per sample, the file's own bits per pixel. The
  // automatic output depth is chosen from this.
  int SourceDepth() const { return sourceDepth_; }

 private:
  std::string SizeRefusal(int index);  // empty when the page may be decoded
  Bitmap LoadWithFreeImage(int index);
  Bitmap OldJpegFallback(int index, const Bitmap& decoded, DiagnosticsCapture& diagnostics);
  Bitmap LoadWithLibtiff(int index, DiagnosticsCapture& diagnostics);

  std::string path_;
  TiffFileProbe tiff_;  // the page's tags: orientation, and whether FreeImage reads it right
  MultiBitmap container_;
  Bitmap single_;  // the file loaded as one image when it cannot be opened page by page
  int pageCount_ = 0;
  int sourceDepth_ = 0;
  bool libtiffOnly_ = false;
  std::uint64_t maxDecodedBytes_ = kDefaultMaxDecodedPageBytes;
  std::optional<std::string> bytes_;  // the whole file, read once when a fallback needs it
};

}  // namespace rastrel
