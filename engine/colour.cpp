#include "engine/colour.h"

#include "engine/widening.h"

#include <utility>

namespace rastrel {
namespace {

struct DitherEntry {
  int code;
  FREE_IMAGE_DITHER algorithm;
};

// Dither algorithm codes to the library's algorithms. The library numbers its 16 x 16 Bayer
// matrix after the cluster patterns, so the two lists do not line up.
constexpr DitherEntry kDitherAlgorithms[] = {
    {0, FID_FS},         {1, FID_BAYER4x4},   {2, FID_BAYER8x8},     {3, FID_BAYER16x16},
    {4, FID_CLUSTER6x6}, {5, FID_CLUSTER8x8}, {6, FID_CLUSTER16x16},
};

FREE_IMAGE_DITHER DitherAlgorithmFor(int code) {
  for (const DitherEntry& entry : kDitherAlgorithms) {
    if (entry.code == code) return entry.algorithm;
  }
  return FID_FS;
}

// Widens the image to 24 bits when its depth lies outside [lowest, 32]. No image when the
// library cannot convert it.
Bitmap WidenOutside(Bitmap image, unsigned lowest) {
  const unsigned bpp = image.bpp();
  if (bpp >= lowest && bpp <= 32) return image;
  return WidenTo24Bits(image);
}

}  // namespace

Bitmap CorrectColors(Bitmap image, const Settings& settings) {
  const AdjustmentSettings& adjustment = settings.adjustment;
  if (!image || adjustment.doImageColorCorrection == 0) return image;
  image = WidenOutside(std::move(image), 8);
  if (!image) return image;
  // Works in place. A page the library cannot adjust (16-bit pages) goes on as it was;
  // the library itself ignores a gamma that is not above 0.
  FreeImage_AdjustColors(image.get(), static_cast<double>(adjustment.imageBrightness),
                         static_cast<double>(adjustment.imageContrast),
                         static_cast<double>(adjustment.imageGamma),
                         adjustment.imageInvert != 0 ? TRUE : FALSE);
  return image;
}

Bitmap GreyscaleImage(Bitmap image, const Settings& settings) {
  if (!image || settings.adjustment.doImageGreyscale == 0) return image;
  image = WidenOutside(std::move(image), 0);
  if (!image) return image;
  return Bitmap(FreeImage_ConvertToGreyscale(image.get()));
}

Bitmap ThresholdImage(Bitmap image, const Settings& settings) {
  const AdjustmentSettings& adjustment = settings.adjustment;
  if (!image || adjustment.doImageThreshold == 0) return image;
  image = WidenOutside(std::move(image), 4);
  if (!image) return image;
  // The level is a byte to the library: a stored 300 thresholds at 44.
  const BYTE level = static_cast<BYTE>(static_cast<unsigned>(adjustment.imageThreshold) & 0xFFu);
  return Bitmap(FreeImage_Threshold(image.get(), level));
}

Bitmap DitherImage(Bitmap image, const Settings& settings) {
  const AdjustmentSettings& adjustment = settings.adjustment;
  if (!image || adjustment.doImageDither == 0) return image;
  image = WidenOutside(std::move(image), 4);
  if (!image) return image;
  return Bitmap(FreeImage_Dither(image.get(), DitherAlgorithmFor(adjustment.imageDitherAlgorithm)));
}

}  // namespace rastrel
