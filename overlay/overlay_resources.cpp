#include "overlay/overlay_resources.h"

#include "engine/overlay_stages.h"
#include "overlay/image_watermark.h"

namespace rastrel {

std::unique_ptr<OverlayResources> LoadOverlayResources(const Settings& settings, std::string& error) {
  auto resources = std::make_unique<OverlayResources>();
  const WatermarkSettings& watermark = settings.watermark;
  if (watermark.doWatermark == 1) {
    resources->font = LoadWatermarkFont(watermark);
    if (!resources->font) {
      error = kInvalidWatermarkFont;
      return nullptr;
    }
  } else if (watermark.doWatermark == 2) {
    resources->picture = DecodeWatermarkPicture(watermark.image);
  }
  return resources;
}

}  // namespace rastrel
