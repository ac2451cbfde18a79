// The drawing module's one way in (engine/overlay_stages.h loads it).
#include "engine/overlay_functions.h"
#include "overlay/frame.h"
#include "overlay/overlay_resources.h"
#include "overlay/watermark.h"

namespace rastrel {
namespace {

OverlayResources* Load(const Settings& settings, std::string& error) {
  return LoadOverlayResources(settings, error).release();
}

void Release(OverlayResources* resources) { delete resources; }

constexpr OverlayFunctions kFunctions{
    kOverlayFunctionsVersion, sizeof(Settings), sizeof(ConversionContext), sizeof(Bitmap), &Load, &Release,
    &ApplySolidFrame,         &ApplyWatermark};

}  // namespace
}  // namespace rastrel

extern "C" __attribute__((visibility("default"))) const rastrel::OverlayFunctions*
rastrel_overlay_functions() {
  return &rastrel::kFunctions;
}
