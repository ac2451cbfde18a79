// A TIFF page decoder built on libtiff alone, for the pages FreeImage's TIFF loader gives no
// image for, or a wrong one. It reads any bit depth from 1 to 64, integer (signed or not) and
// floating-point samples (half, 24-bit, single, double), contiguous and planar layouts,
// strips and tiles, greyscale, RGB, palettes up to 16 bits, CMYK, CIELab, ICCLab, LogLuv,
// subsampled YCbCr and old-style JPEG, and hands back an ordinary 8-bit-per-sample bitmap:
// 8-bit grey with a linear palette, 24-bit RGB, or 32-bit RGBA with straight (not
// premultiplied) alpha. Pages come back in stored order; ApplyOrientation turns them upright.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/bitmap.h"
#include "engine/page_limit.h"

namespace rastrel {

struct TiffDecodeLimits {
  // Largest decoded page accepted, counted at 4 bytes per pixel; a file declaring more is
  // refused before anything is allocated.
  std::uint64_t maxDecodedBytes = kDefaultMaxDecodedPageBytes;
};

// Decodes page `pageIndex` (0-based, in file order; each page counted once even when the
// file's chain of pages loops). No image when the page cannot be decoded; `diagnostics`
// then says why, and it also collects libtiff's own warnings about the file.
Bitmap DecodeTiffPage(const std::string& path, int pageIndex, std::vector<std::string>& diagnostics,
                      const TiffDecodeLimits& limits = {});

// Number of pages libtiff finds in the file, 0 when it is not a readable TIFF.
int CountTiffPages(const std::string& path, std::vector<std::string>& diagnostics);

}  // namespace rastrel
