// Moving drawn rasters onto FreeImage bitmaps.
#pragma once

#include "engine/bitmap.h"
#include "overlay/raster.h"

namespace rastrel {

// A 32-bit FreeImage bitmap with the raster's colours and straight alpha, copied pixel by
// pixel (no encoding round trip); none when FreeImage cannot allocate it.
Bitmap HandOverRaster(const Raster& raster);

// The page as 24 bits per pixel: the same bitmap when it already is, otherwise FreeImage's
// conversion (an alpha channel is dropped, not blended). None when FreeImage cannot
// convert the page's pixel type.
Bitmap ToTwentyFourBits(Bitmap page);

}  // namespace rastrel
