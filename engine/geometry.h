// Rotation, resizing and flips of a page.
#pragma once

#include "engine/bitmap.h"
#include "settings/settings.h"

namespace rastrel {

Bitmap RotateImage(Bitmap image, const Settings& settings);
Bitmap ResizeImage(Bitmap image, int width, int height, const Settings& settings);
void FlipImage(const Bitmap& image, const Settings& settings);  // in place

}  // namespace rastrel
