// The frame and watermark stages. Their drawing libraries cost more start-up time than the
// rest of the program together, so they live in a module that a batch loads only when it
// draws: a batch that draws nothing, and every run that converts nothing, never pays.
#pragma once

#include <memory>
#include <string>

#include "engine/bitmap.h"
#include "engine/context.h"
#include "platform/shared_module.h"
#include "settings/settings.h"

namespace rastrel {

struct OverlayFunctions;
struct OverlayResources;

// The error text when a text watermark's font cannot be loaded; the console prints it after
// "Error: " and does not start the batch.
inline constexpr const char* kInvalidWatermarkFont = "Invalid watermark font";

class OverlayStages {
 public:
  // Any Do Frame or Do Watermark other than 0: even those that draw nothing turn the page
  // into 24 bits, and that is the module's work too.
  static bool Needed(const Settings& settings);

  // The stages for a batch with `settings`, with the watermark font or picture loaded once.
  // Without Needed() nothing is loaded and the stages leave pages alone. None, with `error`
  // set, when the module cannot be loaded or the font cannot (then `error` is
  // kInvalidWatermarkFont). A picture that does not decode is not an error here: pages are
  // then written without a watermark.
  static std::unique_ptr<OverlayStages> Load(const Settings& settings, std::string& error);

  ~OverlayStages();
  OverlayStages(const OverlayStages&) = delete;
  OverlayStages& operator=(const OverlayStages&) = delete;

  Bitmap ApplyFrame(Bitmap image, int width, int height, const Settings& settings) const;
  Bitmap ApplyWatermark(Bitmap image, int width, int height, const ConversionContext& context) const;

 private:
  OverlayStages() = default;

  SharedModule module_;  // empty when the drawing code is part of this program
  const OverlayFunctions* functions_ = nullptr;
  OverlayResources* resources_ = nullptr;
};

}  // namespace rastrel
