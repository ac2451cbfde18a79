// Pages stored with the obsolete JPEG compression (TIFF Compression 6). Such a page holds
// an ordinary JPEG stream; when the TIFF path gives no usable image, the stream itself is
// found and decoded.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include <FreeImage.h>

#include "engine/bitmap.h"
#include "engine/page_limit.h"

namespace rastrel {

inline constexpr int kOldStyleJpegCompression = 6;

// The compression code recorded in a loaded page's metadata; 1 when it is not recorded.
int CompressionFromMetadata(FIBITMAP* image);

// The compression code of page `pageIndex` of the TIFF held in `file`; nullopt when the
// bytes are not a TIFF with that page.
std::optional<int> PageCompression(std::string_view file, int pageIndex);

// The JPEG stream of page `pageIndex` of the TIFF held in `file`: the one its
// JPEGInterchangeFormat tag names, else the first one in its first strip; for the first
// page, failing both, the first start-of-image marker of the whole file. Empty when none.
std::string_view FindOldJpegStream(std::string_view file, int pageIndex);

// Decodes a JPEG stream (EXIF orientation applied); no image when it cannot be decoded or
// when its own header declares a picture above `maxDecodedBytes` (engine/page_limit.h):
// the stream's size need not agree with the page's tags.
Bitmap DecodeJpegStream(std::string_view stream, std::uint64_t maxDecodedBytes = kDefaultMaxDecodedPageBytes);

}  // namespace rastrel
