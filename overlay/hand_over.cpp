#include "overlay/hand_over.h"

namespace rastrel {

Bitmap HandOverRaster(const Raster& raster) {
  if (raster.width <= 0 || raster.height <= 0) return Bitmap();
  Bitmap bitmap(FreeImage_Allocate(raster.width, raster.height, 32, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK,
                                   FI_RGBA_BLUE_MASK));
  if (!bitmap) return bitmap;
  for (int y = 0; y < raster.height; ++y) {
    // FreeImage keeps the bottom row first.
    BYTE* pixel = FreeImage_GetScanLine(bitmap.get(), raster.height - 1 - y);
    for (int x = 0; x < raster.width; ++x, pixel += 4) {
      const Rgba colour = raster.At(x, y);
      pixel[FI_RGBA_RED] = static_cast<BYTE>(RedOf(colour));
      pixel[FI_RGBA_GREEN] = static_cast<BYTE>(GreenOf(colour));
      pixel[FI_RGBA_BLUE] = static_cast<BYTE>(BlueOf(colour));
      pixel[FI_RGBA_ALPHA] = static_cast<BYTE>(AlphaOf(colour));
    }
  }
  return bitmap;
}

Bitmap ToTwentyFourBits(Bitmap page) {
  if (!page) return page;
  if (FreeImage_GetImageType(page.get()) == FIT_BITMAP && page.bpp() == 24) return page;
  Bitmap converted(FreeImage_ConvertTo24Bits(page.get()));
  if (converted || FreeImage_GetImageType(page.get()) == FIT_BITMAP) return converted;
  // Pixel types the 24-bit conversion does not take (grey of 16 or 32 bits, floats) go
  // through the standard 8-bit form first.
  Bitmap standard(FreeImage_ConvertToStandardType(page.get(), TRUE));
  if (!standard) return standard;
  return Bitmap(FreeImage_ConvertTo24Bits(standard.get()));
}

}  // namespace rastrel
