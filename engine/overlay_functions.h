// What the drawing module hands over: the frame and watermark stages and the loading of
// their batch resources. The module is built from the same sources as the program that
// loads it, so C++ types cross between them as they are; the sizes below catch a module
// left over from another build.
#pragma once

#include <cstddef>
#include <string>

#include "engine/bitmap.h"
#include "engine/context.h"
#include "settings/settings.h"

namespace rastrel {

struct OverlayResources;

// The module's file, looked for in the program's folder, and its one exported function.
inline constexpr const char* kOverlayModuleFile = "rastrel-overlay.so";
inline constexpr const char* kOverlayModuleEntry = "rastrel_overlay_functions";

inline constexpr int kOverlayFunctionsVersion = 1;

struct OverlayFunctions {
  int version = kOverlayFunctionsVersion;
  std::size_t settingsSize = sizeof(Settings);
  std::size_t contextSize = sizeof(ConversionContext);
  std::size_t bitmapSize = sizeof(Bitmap);
  // None, with `error` set, when a text watermark's font cannot be loaded.
  OverlayResources* (*load)(const Settings& settings, std::string& error) = nullptr;
  void (*release)(OverlayResources* resources) = nullptr;
  Bitmap (*applyFrame)(Bitmap image, int width, int height, const Settings& settings) = nullptr;
  Bitmap (*applyWatermark)(Bitmap image, int width, int height, const ConversionContext& context,
                           const OverlayResources* resources) = nullptr;
};

// True when `functions` were built with this program's types.
inline bool MatchesThisBuild(const OverlayFunctions& functions) {
  const OverlayFunctions expected;
  return functions.version == expected.version && functions.settingsSize == expected.settingsSize &&
         functions.contextSize == expected.contextSize && functions.bitmapSize == expected.bitmapSize &&
         functions.load != nullptr && functions.release != nullptr && functions.applyFrame != nullptr &&
         functions.applyWatermark != nullptr;
}

}  // namespace rastrel

// Defined by the drawing module, and by any program that links the drawing code itself
// (the tests and benchmarks); the executable leaves it undefined and loads the module.
extern "C" const rastrel::OverlayFunctions* rastrel_overlay_functions();
