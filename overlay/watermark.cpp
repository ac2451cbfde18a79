#include "overlay/watermark.h"

namespace rastrel {

// Pass-through until the watermarks are built.
Bitmap ApplyWatermark(Bitmap image, int, int, const ConversionContext&) { return image; }

}  // namespace rastrel
