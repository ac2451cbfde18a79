#include "engine/geometry.h"

#include "engine/widening.h"
#include "settings/hex_colour.h"

#include <cmath>
#include <limits>
#include <string_view>

namespace rastrel {
namespace {

// Codes of the transform settings.
constexpr int kRotationSimple = 0;
constexpr int kRotationAdvanced = 1;
constexpr int kUnitPixels = 0;
constexpr int kUnitPercent = 1;
constexpr int kResizeLargeImages = 1;

struct FilterEntry {
  int code;
  FREE_IMAGE_FILTER filter;
};

// Resize algorithm codes to the library's filters, whose own numbering differs.
constexpr FilterEntry kFilters[] = {
    {0, FILTER_BOX},     {1, FILTER_BILINEAR},   {2, FILTER_BSPLINE},
    {3, FILTER_BICUBIC}, {4, FILTER_CATMULLROM}, {5, FILTER_LANCZOS3},
};

RGBQUAD BackgroundColour(std::string_view text) {
  const HexColour hex = ReadHexColour(text);
  RGBQUAD colour{};  // reserved byte 0
  colour.rgbRed = static_cast<BYTE>(hex.red);
  colour.rgbGreen = static_cast<BYTE>(hex.green);
  colour.rgbBlue = static_cast<BYTE>(hex.blue);
  return colour;
}

// Percent targets round halves to even; a value beyond the int range cannot be a size.
long long RoundHalfToEven(double value) {
  const double floor = std::floor(value);
  const double fraction = value - floor;
  double rounded = floor;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0)) rounded = floor + 1.0;
  return static_cast<long long>(rounded);
}

int TargetSize(std::int32_t value, int unit, int current) {
  if (unit == kUnitPixels) return value;
  if (unit != kUnitPercent) return 0;
  const double scaled = static_cast<double>(value) / 100.0 * static_cast<double>(current);
  if (!(scaled < static_cast<double>(std::numeric_limits<int>::max())))
    return std::numeric_limits<int>::max();
  if (!(scaled > -1.0)) return 0;
  return static_cast<int>(RoundHalfToEven(scaled));
}

// The ratio and the quotient are single precision on purpose: sizes users already have
// depend on it. A 64 x 7 page scaled to width 800 gets height 87 (87.49999 in single
// precision), where double precision would give 88. Halves round away from zero. The ratio
// is at least 1, so the result fits unless the kept side is itself near the int limit.
int DerivedSide(int kept, int longer, int shorter) {
  const float ratio = static_cast<float>(longer) / static_cast<float>(shorter);
  const float quotient = std::round(static_cast<float>(kept) / ratio);
  if (quotient >= 2147483648.0f) return std::numeric_limits<int>::max();
  return static_cast<int>(quotient);
}

FREE_IMAGE_FILTER FilterFor(int code) {
  for (const FilterEntry& entry : kFilters) {
    if (entry.code == code) return entry.filter;
  }
  return FILTER_BICUBIC;
}

}  // namespace

Bitmap RotateImage(Bitmap image, const Settings& settings) {
  const TransformSettings& transform = settings.transform;
  if (!image) return image;
  if (transform.doImageRotation == 0 || transform.imageRotation < 1 || transform.imageRotation > 359) {
    return image;
  }
  const unsigned bpp = image.bpp();
  if (bpp <= 16 || bpp > 32) {
    image = WidenTo24Bits(image);
    if (!image) return image;
  }
  const double angle = static_cast<double>(transform.imageRotation);
  switch (transform.imageRotationType) {
    case kRotationSimple: {
      const RGBQUAD background = BackgroundColour(transform.imageRotationBackColor);
      return Bitmap(FreeImage_Rotate(image.get(), angle, &background));
    }
    case kRotationAdvanced: {
      const double originX = static_cast<double>(image.width()) / 2.0;
      const double originY = static_cast<double>(image.height()) / 2.0;
      return Bitmap(FreeImage_RotateEx(image.get(), angle, 0.0, 0.0, originX, originY, FALSE));
    }
    default:
      return image;
  }
}

Bitmap ResizeImage(Bitmap image, int width, int height, const Settings& settings) {
  const TransformSettings& transform = settings.transform;
  if (!image || transform.doImageResize == 0) return image;
  // The worker measures these from the page; a page without an area has nothing to scale.
  if (width <= 0 || height <= 0) return image;

  int targetWidth = TargetSize(transform.imageWidth, transform.imageWidthUnit, width);
  int targetHeight = TargetSize(transform.imageHeight, transform.imageHeightUnit, height);
  if (targetWidth <= 0 || targetHeight <= 0) return image;
  if (targetWidth == width && targetHeight == height) return image;
  if (transform.imageResizeType == kResizeLargeImages && width < targetWidth && height < targetHeight) {
    return image;
  }
  if (transform.keepAspectRatio != 0) {
    if (width >= height) {
      targetHeight = DerivedSide(targetWidth, width, height);
    } else {
      targetWidth = DerivedSide(targetHeight, height, width);
    }
  }
  // A derived side of 0 makes the library give no image, which ends the page.
  return Bitmap(
      FreeImage_Rescale(image.get(), targetWidth, targetHeight, FilterFor(transform.imageResizeAlgorithm)));
}

void FlipImage(const Bitmap& image, const Settings& settings) {
  if (!image) return;
  if (settings.transform.doImageFlipHorizontal != 0) FreeImage_FlipHorizontal(image.get());
  if (settings.transform.doImageFlipVertical != 0) FreeImage_FlipVertical(image.get());
}

}  // namespace rastrel
