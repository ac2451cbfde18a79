// The short way for pages that no stage changes. With every stage off, a page of an
// ordinary layout goes from its TIFF strips into the JPEG encoder a strip at a time, and
// the file is exactly what the general path writes (the same encoder with the same
// settings, the same samples, the same JFIF header), without ever holding the page whole:
// less memory and about a third less time for a colour page.
//
// Layouts taken: stripped, contiguous, upright pages of 8-bit RGB, 16-bit RGB (written as
// its high bytes, as the general path's 24-bit conversion does), 8-bit greyscale, bilevel,
// and JPEG-compressed YCbCr; no ICC profile, XMP or IPTC block (the general path would
// copy them into the JPEG file). Anything else takes the general path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "formats/conversion_target.h"
#include "settings/settings.h"

namespace rastrel {

// True when every stage hands a page on unchanged with these settings.
bool StagesLeavePagesUnchanged(const Settings& settings);

struct DirectPage {
  std::string jpeg;
  int width = 0;
  int height = 0;
  int sourceDepth = 0;  // bits per pixel of the page as the general path loads it
  int depth = 0;        // bits per pixel written
};

// Page `pageIndex` of the TIFF at `path` encoded for `target` (a jpg target) with the
// target's save flags, or nullopt when the page is not one the short way takes or cannot
// be read through it; the general path then converts it. Pages declaring more than
// `maxDecodedBytes` are left to the general path, which refuses them.
std::optional<DirectPage> EncodePageDirectly(const std::string& path, int pageIndex,
                                             const ConversionTarget& target, std::uint64_t maxDecodedBytes);

}  // namespace rastrel
