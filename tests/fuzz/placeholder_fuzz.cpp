// The placeholders of file-name masks and watermark texts over any mask, text, input file
// name and output extension: expansion, the output path and the page marker.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/context.h"
#include "engine/naming.h"
#include "overlay/text_watermark.h"
#include "settings/settings.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // mask, watermark text, input file name, output extension
  std::vector<std::string> fields = rastrel::fuzzing::SplitFields(data, size, 4);
  fields.resize(4);

  rastrel::Settings settings;
  rastrel::ApplyDefaults(settings, true, 1'700'000'000, 0, 0);
  settings.advanced.filenameMask = fields[0];
  settings.watermark.text = fields[1];
  rastrel::ConversionTarget target;
  target.extension = fields[3];
  rastrel::BatchContext batch{settings, target, "/out/"};
  rastrel::ConversionContext context{
      batch, "/in/" + fields[2], "sub/", rastrel::FileCounters{42, 7}, {}, {}, {}, {}};
  context.page = rastrel::PageFacts{8, 640, 480, 2, 24};

  const std::string path = rastrel::BuildOutputPath(context);
  if (!path.starts_with("/out/")) __builtin_trap();
  const std::string marked = rastrel::AddFrameMarker(path, context.page.number, target.extension);
  if (marked.size() != path.size() + 3) __builtin_trap();  // "[2]"

  const std::string text = rastrel::ExpandWatermarkText(settings.watermark.text, context);
  if (settings.watermark.text.find('%') == std::string::npos && text != settings.watermark.text) {
    __builtin_trap();  // a text without placeholders is drawn as it is
  }
  const std::vector<std::string> lines = rastrel::SplitWatermarkLines(text);
  if (lines.empty()) __builtin_trap();
  return 0;
}
