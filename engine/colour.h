// Colour stages of a page: correction, greyscale, threshold, dithering.
#pragma once

#include "engine/bitmap.h"
#include "settings/settings.h"

namespace rastrel {

Bitmap CorrectColors(Bitmap image, const Settings& settings);
Bitmap GreyscaleImage(Bitmap image, const Settings& settings);
Bitmap ThresholdImage(Bitmap image, const Settings& settings);
Bitmap DitherImage(Bitmap image, const Settings& settings);

}  // namespace rastrel
