#include "engine/convert.h"

#include <FreeImage.h>

#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "engine/colour.h"
#include "engine/diagnostics.h"
#include "engine/direct_jpeg.h"
#include "engine/encoding.h"
#include "engine/geometry.h"
#include "engine/naming.h"
#include "engine/overlay_stages.h"
#include "engine/page_limit.h"
#include "engine/page_source.h"
#include "engine/save.h"
#include "platform/clock.h"

namespace rastrel {
namespace {

// 1-bit, 8-bit and wider greyscale pages continue as standard 8-bit (or 1-bit) bitmaps.
Bitmap NormaliseGreyscale(Bitmap image) {
  if (!image) return image;
  const FREE_IMAGE_COLOR_TYPE type = FreeImage_GetColorType(image.get());
  if (type != FIC_MINISWHITE && type != FIC_MINISBLACK) return image;
  // On an ordinary bitmap the library's conversion is an exact copy: skip it.
  if (FreeImage_GetImageType(image.get()) == FIT_BITMAP) return image;
  return Bitmap(FreeImage_ConvertToStandardType(image.get(), TRUE));
}

struct PageSize {
  int width = 0;
  int height = 0;
};
PageSize Measure(const Bitmap& image) {
  return {static_cast<int>(image.width()), static_cast<int>(image.height())};
}

// Stages 13 and 14: the page's path, then its save; returns whether the save succeeded.
template <typename Save>
bool NameAndSave(bool marker, ConversionContext& context, DiagnosticsCapture& diagnostics, Save&& save) {
  const std::string& extension = context.batch.target.extension;
  context.outputPath = BuildOutputPath(context);
  const std::string savePath =
      marker ? AddFrameMarker(context.outputPath, context.page.number, extension) : context.outputPath;
  const SaveOutcome outcome = save(savePath);
  if (outcome != SaveOutcome::Saved) {
    diagnostics.Add(std::string(DescribeSaveOutcome(outcome)) + ": " + savePath);
    return false;
  }
  context.writtenPaths.push_back(savePath);
  return true;
}

// A page that no stage changes, encoded straight from the file; nullopt when it has to
// take the general path.
std::optional<bool> ConvertPageDirectly(int index, bool marker, ConversionContext& context,
                                        DiagnosticsCapture& diagnostics) {
  const BatchContext& batch = context.batch;
  std::optional<DirectPage> page =
      EncodePageDirectly(context.currentInputPath, index, batch.target, MaxDecodedPageBytes(batch.settings));
  if (!page) return std::nullopt;
  context.page = PageFacts{page->sourceDepth, page->width, page->height, index + 1, page->depth};
  return NameAndSave(marker, context, diagnostics,
                     [&](const std::string& path) { return SaveEncodedPage(page->jpeg, path, batch); });
}

// Stages 1 to 14 for one page; returns whether its save succeeded.
bool ConvertPage(Bitmap image, int index, bool marker, ConversionContext& context,
                 DiagnosticsCapture& diagnostics) {
  const Settings& settings = context.batch.settings;
  const ConversionTarget& target = context.batch.target;

  image = RotateImage(std::move(image), settings);
  PageSize size = Measure(image);
  image = ResizeImage(std::move(image), size.width, size.height, settings);
  size = Measure(image);
  image = NormaliseGreyscale(std::move(image));
  if (image) FlipImage(image, settings);
  image = CorrectColors(std::move(image), settings);
  image = GreyscaleImage(std::move(image), settings);
  image = ThresholdImage(std::move(image), settings);
  image = DitherImage(std::move(image), settings);
  const OverlayStages* overlay = context.batch.overlay;  // present whenever a stage of its is on
  if (overlay != nullptr) image = overlay->ApplyFrame(std::move(image), size.width, size.height, settings);

  context.page.width = size.width;
  context.page.height = size.height;
  context.page.number = index + 1;
  // Chosen from the depth as loaded, before the watermark, so that its text shows the
  // depth the page is written in.
  context.page.depth = OutputDepthForImage(target, context.page.sourceDepth, image);

  if (overlay != nullptr) {
    image = overlay->ApplyWatermark(std::move(image), size.width, size.height, context);
    // A coloured watermark on a grey page keeps its colour.
    context.page.depth = OutputDepthForImage(target, context.page.depth, image);
  }
  image = ConvertToOutputDepth(std::move(image), context.page.depth, target.extension);

  return NameAndSave(marker, context, diagnostics,
                     [&](const std::string& path) { return SavePage(image, path, context.batch); });
}

bool ConvertPages(ConversionContext& context, DiagnosticsCapture& diagnostics) {
  if (context.batch.overlay == nullptr && OverlayStages::Needed(context.batch.settings)) {
    // Written without its frame or watermark, the file would pass for a finished one.
    diagnostics.Add("the frame and watermark stages were not loaded for this batch");
    return false;
  }
  PageSource source(context.currentInputPath, context.batch.libtiffOnly,
                    MaxDecodedPageBytes(context.batch.settings));
  const int pageCount = source.PageCount();
  if (pageCount == 0) {
    diagnostics.Add("not an image that can be read as TIFF");
    return false;
  }
  thread_local RandomIntegers random;
  const PageRange pages = SelectPages(context.batch.settings.input.tiffFrameLoading, pageCount, random);
  const bool marker = NeedsFrameMarker(context.batch.settings, pages.Count());

  // The second attempt at a file that ended its worker uses the careful decoder alone.
  const bool direct = StagesLeavePagesUnchanged(context.batch.settings) && !context.batch.libtiffOnly;

  bool result = false;
  for (int index = pages.first; index <= pages.last; ++index) {
    if (pageCount > 1) diagnostics.SetPrefix("page " + std::to_string(index + 1) + ": ");
    if (direct) {
      if (const std::optional<bool> saved = ConvertPageDirectly(index, marker, context, diagnostics)) {
        result = *saved;
        continue;
      }
    }
    Bitmap image = source.Load(index, diagnostics);
    context.page = PageFacts{};
    context.page.sourceDepth = source.SourceDepth();
    if (image.width() == 0 || image.height() == 0) {
      // Nothing to save; the result stays that of the previous page's save.
      diagnostics.Add("the page has no image");
      continue;
    }
    result = ConvertPage(std::move(image), index, marker, context, diagnostics);
  }
  diagnostics.SetPrefix({});
  return result;
}

}  // namespace

PageRange SelectPages(std::int32_t frameLoading, int pageCount, RandomIntegers& random) {
  if (pageCount <= 0) return PageRange{};
  int page = 0;
  switch (frameLoading) {
    case 1:  // FIRST
      page = 0;
      break;
    case 2:  // MIDDLE: page 1 of 1 or 2, page 2 of 3 or 4, page 3 of 5
      page = (pageCount + 1) / 2 - 1;
      break;
    case 3:  // LAST
      page = pageCount - 1;
      break;
    case 4:  // RANDOM
      page = static_cast<int>(random.Between(1, pageCount)) - 1;
      break;
    default:  // ALL, and any code this program does not know
      return PageRange{0, pageCount - 1};
  }
  return PageRange{page, page};
}

bool ConvertOneFile(ConversionContext& context) {
  DiagnosticsCapture diagnostics(context.diagnostics);
  try {
    return ConvertPages(context, diagnostics);
  } catch (const std::exception& error) {
    diagnostics.Add(std::string("conversion stopped: ") + error.what());
  } catch (...) {
    diagnostics.Add("conversion stopped by an unknown error");
  }
  return false;
}

FileResult ConvertInputFile(const BatchContext& batch, const InputEntry& entry,
                            const FileCounters& counters) {
  if (batch.settings.advanced.keepSubfolders != 0) CreateOutputSubfolders(batch, entry.relativeSubfolder);
  ConversionContext context{batch, entry.path, entry.relativeSubfolder, counters, {}, {}, {}, {}};
  FileResult result;
  result.converted = ConvertOneFile(context);
  // Staged pages get their time when they are moved into place.
  if (result.converted && batch.staging == nullptr) StampOutputFileTime(context);
  result.outputPath = std::move(context.outputPath);
  result.writtenPaths = std::move(context.writtenPaths);
  result.diagnostics = std::move(context.diagnostics);
  return result;
}

}  // namespace rastrel
