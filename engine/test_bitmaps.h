// In-memory pages for the stage tests: painted pixel by pixel, read back as colours.
// Coordinates are as a viewer sees the page: (0, 0) is the top-left pixel.
#pragma once

#include <FreeImage.h>

#include <cstdlib>
#include <functional>
#include <ostream>

#include "engine/bitmap.h"

namespace rastrel::test {

struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << '(' << c.r << ", " << c.g << ", " << c.b << ')';
}

inline bool Near(const Rgb& a, const Rgb& b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};

using Painter = std::function<Rgb(int x, int y)>;

// A 24- or 32-bit page; 32-bit pixels are opaque.
inline Bitmap MakeColour(int width, int height, unsigned bpp, const Painter& paint) {
  Bitmap image(FreeImage_Allocate(width, height, static_cast<int>(bpp)));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = paint(x, y);
      RGBQUAD q{static_cast<BYTE>(c.b), static_cast<BYTE>(c.g), static_cast<BYTE>(c.r), 255};
      FreeImage_SetPixelColor(image.get(), static_cast<unsigned>(x), static_cast<unsigned>(height - 1 - y),
                              &q);
    }
  }
  return image;
}

// A 24-bit page of one colour, quick even at print sizes.
inline Bitmap MakeFlat(int width, int height, const Rgb& c) {
  const RGBQUAD q{static_cast<BYTE>(c.b), static_cast<BYTE>(c.g), static_cast<BYTE>(c.r), 0};
  return Bitmap(FreeImage_AllocateEx(width, height, 24, &q));
}

// An 8-bit page with a grey ramp palette; `paint` gives the level.
inline Bitmap MakeGrey8(int width, int height, const std::function<int(int x, int y)>& paint) {
  Bitmap image(FreeImage_Allocate(width, height, 8));
  RGBQUAD* palette = FreeImage_GetPalette(image.get());
  for (int i = 0; i < 256; ++i) {
    palette[i].rgbRed = palette[i].rgbGreen = palette[i].rgbBlue = static_cast<BYTE>(i);
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      BYTE level = static_cast<BYTE>(paint(x, y));
      FreeImage_SetPixelIndex(image.get(), static_cast<unsigned>(x), static_cast<unsigned>(height - 1 - y),
                              &level);
    }
  }
  return image;
}

// A 1-bit black (0) and white (1) page; `paint` says which pixels are white.
inline Bitmap MakeBilevel(int width, int height, const std::function<bool(int x, int y)>& white) {
  Bitmap image(FreeImage_Allocate(width, height, 1));
  RGBQUAD* palette = FreeImage_GetPalette(image.get());
  palette[1].rgbRed = palette[1].rgbGreen = palette[1].rgbBlue = 255;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      BYTE bit = white(x, y) ? 1 : 0;
      FreeImage_SetPixelIndex(image.get(), static_cast<unsigned>(x), static_cast<unsigned>(height - 1 - y),
                              &bit);
    }
  }
  return image;
}

// A page of a non-standard sample type (16-bit grey, 48-bit RGB…), filled with one sample
// value in every channel.
template <typename Sample>
Bitmap MakeTyped(FREE_IMAGE_TYPE type, int width, int height, unsigned bpp,
                 const std::function<Sample(int x, int y)>& paint) {
  Bitmap image(FreeImage_AllocateT(type, width, height, static_cast<int>(bpp)));
  const unsigned channels = bpp / (8 * sizeof(Sample));
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<Sample*>(FreeImage_GetScanLine(image.get(), height - 1 - y));
    for (int x = 0; x < width; ++x) {
      for (unsigned c = 0; c < channels; ++c) line[static_cast<unsigned>(x) * channels + c] = paint(x, y);
    }
  }
  return image;
}

// The colour of a pixel of an ordinary (FIT_BITMAP) page of any depth.
inline Rgb PixelAt(const Bitmap& image, int x, int y) {
  const unsigned row = image.height() - 1 - static_cast<unsigned>(y);
  RGBQUAD q{};
  if (image.bpp() <= 8) {
    BYTE index = 0;
    FreeImage_GetPixelIndex(image.get(), static_cast<unsigned>(x), row, &index);
    q = FreeImage_GetPalette(image.get())[index];
  } else {
    FreeImage_GetPixelColor(image.get(), static_cast<unsigned>(x), row, &q);
  }
  return Rgb{q.rgbRed, q.rgbGreen, q.rgbBlue};
}

// Pixel-by-pixel comparison of two pages of the same size; counts the pixels further apart
// than `tolerance` in some channel.
inline int CountDifferentPixels(const Bitmap& a, const Bitmap& b, int tolerance) {
  int differing = 0;
  for (int y = 0; y < static_cast<int>(a.height()); ++y) {
    for (int x = 0; x < static_cast<int>(a.width()); ++x) {
      if (!Near(PixelAt(a, x, y), PixelAt(b, x, y), tolerance)) ++differing;
    }
  }
  return differing;
}

}  // namespace rastrel::test
