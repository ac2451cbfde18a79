// What the watermark stage needs for a whole batch, loaded once before the first page and
// only read while workers convert.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/bitmap.h"
#include "engine/context.h"
#include "overlay/watermark_font.h"
#include "settings/settings.h"

namespace rastrel {

struct OverlayResources {
  std::optional<WatermarkFont> font;  // with a text watermark
  Bitmap picture;                     // with an image watermark; none when it does not decode
};

// Loads the watermark font (Do Watermark 1) or decodes the watermark picture (Do Watermark
// 2). Returns none, with `error` set to kInvalidWatermarkFont, only when a text
// watermark's font cannot be loaded.
// A picture that does not decode is not an error here: the pages are then written without
// a watermark, and whether the file exists at all is the batch starter's check.
std::unique_ptr<OverlayResources> LoadOverlayResources(const Settings& settings, std::string& error);

}  // namespace rastrel
