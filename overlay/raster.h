// A drawn overlay before it meets the page: 32-bit colour words with straight alpha, one
// raster per call, so that stages running on several workers never share one.
#pragma once

#include <optional>
#include <vector>

#include "overlay/colour_text.h"

namespace rastrel {

struct Raster {
  int width = 0;
  int height = 0;
  std::vector<Rgba> pixels;  // row by row, top row first

  Rgba& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x]; }
  Rgba At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

// A width x height raster filled with `fill`; none when a side is not positive or the
// memory cannot be had.
std::optional<Raster> MakeRaster(int width, int height, Rgba fill);

}  // namespace rastrel
