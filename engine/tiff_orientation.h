// The TIFF Orientation tag says where the stored first row and first column belong on the
// upright page. Every decoder hands pages over in stored order (first stored row on top),
// and this one step turns them upright, whichever decoder read them.
#pragma once

#include <string>

#include "engine/bitmap.h"

namespace rastrel {

// Orientation of page `pageIndex` (1 to 8); 1 when the tag is absent or out of range or the
// file cannot be read.
int ReadTiffOrientation(const std::string& path, int pageIndex);

// Turns a page stored with `orientation` upright. Values outside 2 to 8 leave it as it is.
// Gives no image only when FreeImage cannot rotate the pixel type at all.
Bitmap ApplyOrientation(Bitmap image, int orientation);

}  // namespace rastrel
