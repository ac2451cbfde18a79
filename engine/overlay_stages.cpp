#include "engine/overlay_stages.h"

#include "engine/overlay_functions.h"
#include "platform/paths.h"

// Weak: resolved only where the drawing code is linked in.
extern "C" const rastrel::OverlayFunctions* rastrel_overlay_functions() __attribute__((weak));

namespace rastrel {

bool OverlayStages::Needed(const Settings& settings) {
  return settings.frame.doFrame != 0 || settings.watermark.doWatermark != 0;
}

std::unique_ptr<OverlayStages> OverlayStages::Load(const Settings& settings, std::string& error) {
  std::unique_ptr<OverlayStages> stages(new OverlayStages);
  if (!Needed(settings)) return stages;

  const OverlayFunctions* functions = nullptr;
  if (rastrel_overlay_functions != nullptr) {
    functions = rastrel_overlay_functions();
  } else {
    const std::string folder = ProgramFolder();
    // A bare file name would be looked up in the system's library path.
    if (folder.empty()) {
      error = "the drawing module cannot be found: the program's own folder is unknown";
      return nullptr;
    }
    const std::string path = folder + kOverlayModuleFile;
    // Kept loaded to the end: the drawing libraries it brings cannot be unloaded safely.
    stages->module_ = SharedModule(path, SharedModule::Unload::Never);
    if (!stages->module_.loaded()) {
      error = "the drawing module cannot be loaded: " + stages->module_.error();
      return nullptr;
    }
    using Entry = const OverlayFunctions* (*)();
    if (const auto entry = reinterpret_cast<Entry>(stages->module_.Symbol(kOverlayModuleEntry))) {
      functions = entry();
    }
  }
  if (functions == nullptr || !MatchesThisBuild(*functions)) {
    error = "the drawing module does not belong to this build of the program";
    return nullptr;
  }
  stages->resources_ = functions->load(settings, error);
  if (stages->resources_ == nullptr) return nullptr;
  stages->functions_ = functions;
  return stages;
}

OverlayStages::~OverlayStages() {
  if (functions_ != nullptr) functions_->release(resources_);
}

Bitmap OverlayStages::ApplyFrame(Bitmap image, int width, int height, const Settings& settings) const {
  if (functions_ == nullptr) return image;
  return functions_->applyFrame(std::move(image), width, height, settings);
}

Bitmap OverlayStages::ApplyWatermark(Bitmap image, int width, int height,
                                     const ConversionContext& context) const {
  if (functions_ == nullptr) return image;
  return functions_->applyWatermark(std::move(image), width, height, context, resources_);
}

}  // namespace rastrel
