// The solid frame painted over the border of a page.
#pragma once

#include "engine/bitmap.h"
#include "settings/settings.h"

namespace rastrel {

Bitmap ApplySolidFrame(Bitmap image, int width, int height, const Settings& settings);

}  // namespace rastrel
