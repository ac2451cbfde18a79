// Text and image watermarks drawn onto a page.
#pragma once

#include "engine/bitmap.h"
#include "engine/context.h"
#include "overlay/overlay_resources.h"

namespace rastrel {

// Do Watermark 0 returns the page untouched; any other value converts it to 24 bits, then
// 1 draws the text and 2 the picture loaded for the batch (`resources`): drawn
// into a raster the size of the watermark, rotated, cropped to fit, placed at its anchor
// and composited onto the page. A watermark that does not lie wholly on the page after
// placing (negative offsets) is not drawn. None only when the page cannot be converted to
// 24 bits. Uses the current file and page facts for the text placeholders.
Bitmap ApplyWatermark(Bitmap image, int width, int height, const ConversionContext& context,
                      const OverlayResources* resources);

}  // namespace rastrel
