// What the stage benchmarks share: an A4 page at 300 dpi to work on, the plain conversion
// every stage is measured against, and their timing.
#pragma once

#include <FreeImage.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <string>
#include <vector>

#include "engine/bitmap.h"
#include "engine/freeimage_handles.h"

namespace rastrel::bench {

inline constexpr int kWidth = 2480;
inline constexpr int kHeight = 3508;

// Soft gradients with a fine texture, so neither the encoder nor a stage gets a flat page;
// with `bands`, dark bands as well, something between a photo and a scanned page.
inline Bitmap MakeA4Page(bool bands) {
  Bitmap page(FreeImage_Allocate(kWidth, kHeight, 24));
  unsigned noise = 12345;
  for (int y = 0; y < kHeight; ++y) {
    BYTE* line = FreeImage_GetScanLine(page.get(), y);
    const bool band = bands && (y / 40) % 7 == 0;
    for (int x = 0; x < kWidth; ++x, line += 3) {
      noise = noise * 1664525u + 1013904223u;
      const int grain = static_cast<int>(noise >> 28) - 8;
      const int base = band && (x / 12) % 3 != 0 ? 30 : 220;
      line[FI_RGBA_RED] = static_cast<BYTE>(std::clamp(base - x / 40 + grain, 0, 255));
      line[FI_RGBA_GREEN] = static_cast<BYTE>(std::clamp(base - y / 60 + grain, 0, 255));
      line[FI_RGBA_BLUE] = static_cast<BYTE>(std::clamp(base - (x + y) / 90 + grain, 0, 255));
    }
  }
  return page;
}

// The page as an LZW TIFF in memory; empty when it cannot be encoded.
inline std::string EncodeTiff(const Bitmap& page) {
  MemoryStream tiff = MemoryStream::ForWriting();
  if (!FreeImage_SaveToMemory(FIF_TIFF, page.get(), tiff.get(), TIFF_LZW)) return {};
  return std::string(tiff.Bytes());
}

// The plain conversion: decode the TIFF from memory, encode a JPEG into memory at quality
// 95 with 4:4:4 sampling.
inline bool ConvertPlain(const std::string& tiff) {
  MemoryStream input = MemoryStream::Over(tiff);
  const Bitmap loaded(FreeImage_LoadFromMemory(FIF_TIFF, input.get(), 0));
  MemoryStream jpeg = MemoryStream::ForWriting();
  return loaded && FreeImage_SaveToMemory(FIF_JPEG, loaded.get(), jpeg.get(), 95 | JPEG_SUBSAMPLING_444);
}

inline double MedianMs(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

// Processor time of this process as well as wall time: the library works on one thread, and
// on a shared machine the processor time of a run varies far less than its wall time.
struct Stopwatch {
  std::clock_t cpuStart = std::clock();
  std::chrono::steady_clock::time_point wallStart = std::chrono::steady_clock::now();
  double CpuMs() const { return 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC; }
  double WallMs() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count();
  }
};

}  // namespace rastrel::bench
