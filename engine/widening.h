// Widening a page to 24-bit RGB before stages that only work on ordinary bitmaps.
#pragma once

#include "engine/bitmap.h"

namespace rastrel {

// The 24-bit copy of `image`, or no image when the library cannot make one. Sample types
// the library's 24-bit conversion refuses (16-bit and 32-bit integer or floating-point
// greyscale, which scanners write) go through the standard 8-bit type first, scaled
// linearly, as the pipeline's greyscale normalisation does.
Bitmap WidenTo24Bits(const Bitmap& image);

}  // namespace rastrel
