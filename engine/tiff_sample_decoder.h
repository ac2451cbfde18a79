// The part of the TIFF page decoder that reads samples itself (rather than through
// libtiff's RGBA interface) and converts them to 8 bits per sample.
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/bitmap.h"
#include "engine/tiff_probe.h"

namespace rastrel {

// True for the colour spaces and layouts DecodeTiffSamples handles.
bool CanDecodeTiffSamples(const TiffPageFacts& facts);

// Decodes the current directory of `tif`. `maxBlockBytes` caps the buffer of one decoded
// strip or tile row per plane.
Bitmap DecodeTiffSamples(TIFF* tif, const TiffPageFacts& facts, std::uint64_t maxBlockBytes,
                         std::vector<std::string>& diagnostics);

}  // namespace rastrel
