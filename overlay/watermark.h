// Text and image watermarks drawn onto a page.
#pragma once

#include "engine/bitmap.h"
#include "engine/context.h"

namespace rastrel {

// Uses context.batch.settings, context.batch.overlay (font and picture loaded once per
// batch) and the current file and page facts for the text placeholders.
Bitmap ApplyWatermark(Bitmap image, int width, int height, const ConversionContext& context);

}  // namespace rastrel
