// What a console run says about its settings before it starts: the debug lines that echo
// every setting in use, in print order, with the checks that stand between them. The
// settings layer judges what it can alone; the checks that need the format registry, the
// font loader or the file system are handed to the caller as steps of their own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

namespace rastrel {

enum class EchoStepKind {
  Line,                 // a debug line: printed in debug mode only
  Refusal,              // the settings fail a check: print `text` (always) and stop the run
  DepthCheck,           // unless `depth` is allowed for the conversion type: print `text`, stop
  WatermarkFontCheck,   // unless the watermark font loads: print `text`, stop
  WatermarkImageCheck,  // unless the watermark image file has a size above 0: print `text`, stop
};

struct EchoStep {
  EchoStepKind kind = EchoStepKind::Line;
  std::string text;        // the line, or the error line printed when the check fails
  std::int32_t depth = 0;  // DepthCheck only
};

// The steps from the input family's settings to the naming settings, in order. A Refusal
// is always the last step: nothing after a failed check is printed. `inputFamily` is the
// product's input family ("tiff"), `conversionType` the validated output type ("jpg").
std::vector<EchoStep> SettingsEchoSteps(const Settings& settings, std::string_view inputFamily,
                                        std::string_view conversionType);

}  // namespace rastrel
