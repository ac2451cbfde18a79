// Any bytes as one input TIFF file, converted end to end by the real pipeline with its
// stages on, into a scratch output folder. The input's size picks one of a few settings
// families, so every input is also tried in every family as the corpus grows.
#include <FreeImage.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/context.h"
#include "engine/convert.h"
#include "engine/encoding.h"
#include "engine/overlay_stages.h"
#include "formats/conversion_target.h"
#include "formats/format_registry.h"
#include "formats/input_map.h"
#include "platform/filesystem.h"
#include "settings/settings.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

using rastrel::Settings;

// Small pages keep each run short; a fuzzed header can still declare a big one, which the
// page limit (kept low here) refuses before anything is decoded.
constexpr int kPageMegabytes = 64;

Settings Family(int family) {
  Settings s;
  rastrel::ApplyDefaults(s, true, 1'700'000'000, 0, 0);
  s.advanced.maxPageMegabytes = kPageMegabytes;
  s.advanced.filenameMask = "%filename%_%width%x%height%_%bpp%.%ext%";
  switch (family) {
    case 0:  // geometry, colour, frame and a text watermark
      s.transform.doImageRotation = 1;
      s.transform.imageRotation = 90;
      s.transform.doImageResize = 1;
      s.transform.imageWidth = 40;
      s.transform.imageHeight = 40;
      s.transform.keepAspectRatio = 1;
      s.transform.doImageFlipHorizontal = 1;
      s.adjustment.doImageColorCorrection = 1;
      s.adjustment.imageBrightness = 10;
      s.adjustment.imageContrast = -10;
      s.adjustment.imageGamma = 1.2f;
      s.frame.doFrame = 1;
      s.frame.solidLeft = s.frame.solidTop = 3;
      s.frame.solidLeftColor = "FF8000";
      s.watermark.doWatermark = 1;
      s.watermark.text = "%filename% %width%x%height%%eol%%bpp% bpp";
      s.watermark.fontSize = 8;
      break;
    case 1:  // greyscale, threshold and dithering to a 1-bit page, written as 8 bits
      s.transform.doImageResize = 1;
      s.transform.imageWidth = 50;
      s.transform.imageHeight = 50;
      s.transform.imageWidthUnit = s.transform.imageHeightUnit = 1;  // percent
      s.adjustment.doImageGreyscale = 1;
      s.adjustment.doImageThreshold = 1;
      s.adjustment.imageThreshold = 128;
      s.adjustment.doImageDither = 1;
      s.output.jpgBpp = 8;
      break;
    default:  // every page as it is
      break;
  }
  return s;
}

struct Run {
  Settings settings;
  rastrel::ConversionTarget target;
  std::unique_ptr<rastrel::OverlayStages> overlay;
};

Run MakeRun(int family) {
  Run run{Family(family), {}, {}};
  rastrel::PrepareConversionTarget(run.target, "jpg", run.settings.output,
                                   rastrel::ComputeSaveFlags(run.settings, "jpg"));
  std::string error;
  run.overlay = rastrel::OverlayStages::Load(run.settings, error);
  if (!run.overlay) __builtin_trap();
  return run;
}

// Families 0 to 2 decode with FreeImage first; family 3 is the second attempt at a file
// that ended a worker, which uses the libtiff decoder alone.
constexpr int kFamilies = 4;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Run runs[3] = {MakeRun(0), MakeRun(1), MakeRun(2)};
  static const std::string input = rastrel::fuzzing::Sandbox() + "fuzzed.tif";
  static const std::string output = rastrel::fuzzing::Sandbox() + "out/";
  static const bool made = rastrel::CreateFolder(output) || rastrel::IsFolder(output);
  if (!made) __builtin_trap();

  if (!rastrel::fuzzing::WriteBytes(input, std::string_view(reinterpret_cast<const char*>(data), size))) {
    __builtin_trap();
  }
  const int family = static_cast<int>(size % kFamilies);
  const Run& run = runs[family == 3 ? 2 : family];
  rastrel::InputMap inputs;
  inputs.Add(input, "");
  rastrel::BatchContext batch{run.settings, run.target, output};
  batch.overlay = run.overlay.get();
  batch.inputs = &inputs;
  batch.libtiffOnly = family == 3;

  const rastrel::FileResult result = rastrel::ConvertInputFile(batch, rastrel::InputEntry{input, ""}, {});

  // Whatever the file held: every page reported written is a complete JPEG, and nothing
  // else (no temporary, no partial file) is left in the output folder.
  std::size_t listed = 0;
  for (const rastrel::DirEntry& entry : rastrel::ListFolder(output)) {
    const std::string path = output + entry.name;
    bool reported = false;
    for (const std::string& written : result.writtenPaths) reported = reported || written == path;
    if (!reported) __builtin_trap();
    FIBITMAP* image = FreeImage_Load(FIF_JPEG, path.c_str(), 0);
    if (image == nullptr) __builtin_trap();
    FreeImage_Unload(image);
    rastrel::RemoveFile(path);
    ++listed;
  }
  if (listed != result.writtenPaths.size()) __builtin_trap();
  if (result.converted && result.writtenPaths.empty()) __builtin_trap();
  return 0;
}
