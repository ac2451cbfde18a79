// The image watermark: a picture from a file, typically a logo with transparency.
#pragma once

#include <optional>
#include <string>

#include "engine/bitmap.h"
#include "overlay/raster.h"
#include "settings/settings.h"

namespace rastrel {

// Decodes a PNG, BMP (also .rle and .dib) or JPEG picture, recognised by its leading bytes,
// into a 24-bit (opaque) or 32-bit (with alpha) bitmap. A palette picture with a
// transparency table keeps that transparency; a 32-bit BMP whose alpha bytes are all 0
// (the common "unused byte" form) counts as opaque. None when the file is missing, of
// another type or broken.
Bitmap DecodeWatermarkPicture(const std::string& path);

// The watermark raster of a decoded picture: its colours, grey as (77 R + 150 G + 29 B) /
// 256 when Image Greyscale is set, and alpha Image Opacity x picture alpha / 255 (Image
// Opacity alone for an opaque picture). None without a picture.
std::optional<Raster> RenderImageWatermark(const Bitmap& picture, const WatermarkSettings& settings);

}  // namespace rastrel
