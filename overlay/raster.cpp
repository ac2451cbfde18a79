#include "overlay/raster.h"

#include <cstdint>
#include <new>

namespace rastrel {

namespace {
// 512 MiB of colour words: far beyond any watermark that can show on a page, and a stop for
// a font size or a picture that would otherwise ask for gigabytes.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 27;
}  // namespace

std::optional<Raster> MakeRaster(int width, int height, Rgba fill) {
  if (width <= 0 || height <= 0) return std::nullopt;
  const std::int64_t count = std::int64_t{width} * height;
  if (count > kMaxPixels) return std::nullopt;
  try {
    Raster raster{width, height, std::vector<Rgba>(static_cast<std::size_t>(count), fill)};
    return raster;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

}  // namespace rastrel
