#include "overlay/watermark.h"

#include <algorithm>
#include <optional>

#include "overlay/blend.h"
#include "overlay/hand_over.h"
#include "overlay/image_watermark.h"
#include "overlay/overlay_resources.h"
#include "overlay/text_watermark.h"
#include "overlay/watermark_layout.h"

namespace rastrel {
namespace {

// Composites a 32-bit watermark onto the 24-bit page with its top-left corner at (x, y).
// Only the watermark's rectangle is touched; each pixel gets exactly what a page-sized
// transparent canvas holding the watermark would give. The watermark goes on with its own
// alpha: an opaque watermark stays opaque.
void CompositeWatermark(FIBITMAP* page, FIBITMAP* watermark, int x, int y) {
  const int width = static_cast<int>(FreeImage_GetWidth(watermark));
  const int height = static_cast<int>(FreeImage_GetHeight(watermark));
  const int pageHeight = static_cast<int>(FreeImage_GetHeight(page));
  for (int row = 0; row < height; ++row) {
    const BYTE* source = FreeImage_GetScanLine(watermark, height - 1 - row);
    BYTE* target = FreeImage_GetScanLine(page, pageHeight - 1 - (y + row)) + x * 3;
    for (int column = 0; column < width; ++column, source += 4, target += 3) {
      CompositePixel(target, MakeRgba(source[FI_RGBA_RED], source[FI_RGBA_GREEN], source[FI_RGBA_BLUE],
                                      source[FI_RGBA_ALPHA]));
    }
  }
}

}  // namespace

Bitmap ApplyWatermark(Bitmap image, int width, int height, const ConversionContext& context,
                      const OverlayResources* resources) {
  const Settings& settings = context.batch.settings;
  const WatermarkSettings& watermark = settings.watermark;
  if (watermark.doWatermark == 0 || !image) return image;
  image = ToTwentyFourBits(std::move(image));
  if (!image) return image;

  std::optional<Raster> raster;
  WatermarkPlacement placement;
  if (watermark.doWatermark == 1) {
    const WatermarkFont* font = resources != nullptr && resources->font ? &*resources->font : nullptr;
    raster = RenderTextWatermark(ExpandWatermarkText(watermark.text, context), font, watermark);
    placement = TextPlacement(watermark);
  } else if (watermark.doWatermark == 2 && resources != nullptr) {
    raster = RenderImageWatermark(resources->picture, watermark);
    placement = ImagePlacement(watermark);
  }
  if (!raster) return image;

  Bitmap mark = HandOverRaster(*raster);
  raster.reset();
  mark = RotateWatermark(std::move(mark), placement.rotation);
  // The page itself bounds every write, whatever sizes the caller passed.
  const int w = std::min(width, static_cast<int>(image.width()));
  const int h = std::min(height, static_cast<int>(image.height()));
  mark = FitWatermark(std::move(mark), w, h, settings, placement);
  if (!mark || mark.bpp() != 32) return image;

  const int markWidth = static_cast<int>(mark.width());
  const int markHeight = static_cast<int>(mark.height());
  const WatermarkPosition at = PlaceWatermark(w, h, markWidth, markHeight, settings, placement);
  if (at.x < 0 || at.y < 0 || at.x + markWidth > w || at.y + markHeight > h) return image;
  CompositeWatermark(image.get(), mark.get(), at.x, at.y);
  return image;
}

}  // namespace rastrel
