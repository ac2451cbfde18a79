// Small pages for the overlay tests: flat colours in, top-left-origin pixels out.
#pragma once

#include <FreeImage.h>

#include "engine/bitmap.h"
#include "overlay/colour_text.h"

namespace rastrel::test {

// A page of the given depth (8, 24 or 32) filled with one colour; for 8 bits the colour's
// red is the grey level.
inline Bitmap FlatPage(int width, int height, int bpp, Rgba colour) {
  Bitmap page(
      FreeImage_Allocate(width, height, bpp, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK));
  if (bpp == 8) {
    RGBQUAD* palette = FreeImage_GetPalette(page.get());
    for (int i = 0; i < 256; ++i) {
      palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = static_cast<BYTE>(i);
    }
  }
  for (int y = 0; y < height; ++y) {
    BYTE* pixel = FreeImage_GetScanLine(page.get(), y);
    for (int x = 0; x < width; ++x) {
      if (bpp == 8) {
        pixel[x] = static_cast<BYTE>(RedOf(colour));
        continue;
      }
      BYTE* p = pixel + x * (bpp / 8);
      p[FI_RGBA_RED] = static_cast<BYTE>(RedOf(colour));
      p[FI_RGBA_GREEN] = static_cast<BYTE>(GreenOf(colour));
      p[FI_RGBA_BLUE] = static_cast<BYTE>(BlueOf(colour));
      if (bpp == 32) p[FI_RGBA_ALPHA] = static_cast<BYTE>(AlphaOf(colour));
    }
  }
  return page;
}

// The pixel at (x, y) counted from the top-left corner; alpha 255 for pages without one.
inline Rgba PixelAt(const Bitmap& page, int x, int y) {
  const unsigned bpp = page.bpp();
  const BYTE* p = FreeImage_GetScanLine(page.get(), static_cast<int>(page.height()) - 1 - y) + x * (bpp / 8);
  if (bpp == 8) return MakeRgba(p[0], p[0], p[0], 255);
  return MakeRgba(p[FI_RGBA_RED], p[FI_RGBA_GREEN], p[FI_RGBA_BLUE], bpp == 32 ? p[FI_RGBA_ALPHA] : 255);
}

inline Rgba Opaque(Rgba colour) { return colour | 0xFF000000u; }

}  // namespace rastrel::test
