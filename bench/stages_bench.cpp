// What each geometry and colour stage costs on an A4 page at 300 dpi (2480 x 3508, 24 bits),
// as a multiple of the plain conversion of the same page: decode the TIFF from memory and
// encode it as a JPEG into memory at quality 95 with 4:4:4 sampling.
//
// Usage: stages_bench [repetitions]   (default 5; every figure is the median)

#include <FreeImage.h>
#include <tiffio.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "engine/bitmap.h"
#include "engine/colour.h"
#include "engine/geometry.h"
#include "settings/settings.h"

namespace rastrel {
namespace {

constexpr int kWidth = 2480;
constexpr int kHeight = 3508;

class Memory {
 public:
  Memory() : handle_(FreeImage_OpenMemory()) {}
  Memory(BYTE* data, DWORD size) : handle_(FreeImage_OpenMemory(data, size)) {}
  Memory(const Memory&) = delete;
  Memory& operator=(const Memory&) = delete;
  ~Memory() { FreeImage_CloseMemory(handle_); }
  FIMEMORY* get() const { return handle_; }

 private:
  FIMEMORY* handle_;
};

// Soft gradients with a fine texture and dark bands: something between a photo and a
// scanned page, so neither the encoder nor the filters get an easy flat image.
Bitmap MakePage() {
  Bitmap page(FreeImage_Allocate(kWidth, kHeight, 24));
  unsigned noise = 12345;
  for (int y = 0; y < kHeight; ++y) {
    BYTE* line = FreeImage_GetScanLine(page.get(), y);
    const bool band = (y / 40) % 7 == 0;
    for (int x = 0; x < kWidth; ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int grain = static_cast<int>(noise >> 28) - 8;
      const int base = band && (x / 12) % 3 != 0 ? 30 : 220;
      line[FI_RGBA_RED] = static_cast<BYTE>(std::clamp(base - x / 40 + grain, 0, 255));
      line[FI_RGBA_GREEN] = static_cast<BYTE>(std::clamp(base - y / 60 + grain, 0, 255));
      line[FI_RGBA_BLUE] = static_cast<BYTE>(std::clamp(base - (x + y) / 90 + grain, 0, 255));
      line += 3;
    }
  }
  return page;
}

double MedianMs(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

// Processor time of this process: the library works on one thread, and on a shared machine
// the processor time of a run varies far less than its wall time.
struct Stopwatch {
  std::clock_t cpuStart = std::clock();
  std::chrono::steady_clock::time_point wallStart = std::chrono::steady_clock::now();
  double CpuMs() const { return 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC; }
  double WallMs() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wallStart).count();
  }
};

struct Samples {
  std::vector<double> cpu, wall;
  void Add(const Stopwatch& watch) {
    cpu.push_back(watch.CpuMs());
    wall.push_back(watch.WallMs());
  }
};

struct StageRun {
  std::string name;
  std::function<Bitmap(Bitmap)> run;
};

Settings Base() {
  Settings settings;
  ApplyDefaults(settings, true, 0, 0, 0);
  return settings;
}

std::vector<StageRun> Stages() {
  std::vector<StageRun> runs;
  const auto add = [&runs](std::string name, Settings settings,
                           std::function<Bitmap(Bitmap, const Settings&)> stage) {
    runs.push_back(
        {std::move(name), [settings, stage](Bitmap page) { return stage(std::move(page), settings); }});
  };
  for (const auto& [angle, type, label] :
       {std::tuple{90, 0, "rotate 90 simple"}, std::tuple{30, 0, "rotate 30 simple"},
        std::tuple{30, 1, "rotate 30 advanced"}}) {
    Settings s = Base();
    s.transform.doImageRotation = 1;
    s.transform.imageRotation = angle;
    s.transform.imageRotationType = static_cast<Code8>(type);
    add(label, s, RotateImage);
  }
  const char* filters[] = {"box", "bilinear", "bspline", "bicubic", "catmullrom", "lanczos"};
  for (int code = 0; code < 6; ++code) {
    Settings s = Base();
    s.transform.doImageResize = 1;
    s.transform.imageWidth = 50;
    s.transform.imageWidthUnit = 1;
    s.transform.imageHeight = 50;
    s.transform.imageHeightUnit = 1;
    s.transform.imageResizeAlgorithm = static_cast<Code8>(code);
    add(std::string("resize 50% ") + filters[code], s, [](Bitmap page, const Settings& settings) {
      return ResizeImage(std::move(page), kWidth, kHeight, settings);
    });
  }
  for (const auto& [horizontal, vertical, label] :
       {std::tuple{1, 0, "flip horizontal"}, std::tuple{0, 1, "flip vertical"},
        std::tuple{1, 1, "flip both"}}) {
    Settings s = Base();
    s.transform.doImageFlipHorizontal = static_cast<Flag>(horizontal);
    s.transform.doImageFlipVertical = static_cast<Flag>(vertical);
    add(label, s, [](Bitmap page, const Settings& settings) {
      FlipImage(page, settings);
      return page;
    });
  }
  {
    Settings s = Base();
    s.adjustment.doImageColorCorrection = 1;
    s.adjustment.imageBrightness = 10;
    s.adjustment.imageContrast = 10;
    s.adjustment.imageGamma = 1.2f;
    add("correct colours", s, CorrectColors);
  }
  {
    Settings s = Base();
    s.adjustment.doImageGreyscale = 1;
    add("greyscale", s, GreyscaleImage);
  }
  {
    Settings s = Base();
    s.adjustment.doImageThreshold = 1;
    s.adjustment.imageThreshold = 128;
    add("threshold", s, ThresholdImage);
  }
  const char* dithers[] = {"fs", "bayer4", "bayer8", "bayer16", "cluster6", "cluster8", "cluster16"};
  for (int code = 0; code < 7; ++code) {
    Settings s = Base();
    s.adjustment.doImageDither = 1;
    s.adjustment.imageDitherAlgorithm = static_cast<Code8>(code);
    add(std::string("dither ") + dithers[code], s, DitherImage);
  }
  return runs;
}

int Run(int repetitions) {
  FreeImage_Initialise(FALSE);
  // libtiff complains about every EXIF tag the library's decoder asks for; the figures are
  // what this run is for.
  TIFFSetErrorHandler(nullptr);
  TIFFSetWarningHandler(nullptr);
  const Bitmap page = MakePage();
  Memory tiff;
  if (!FreeImage_SaveToMemory(FIF_TIFF, page.get(), tiff.get(), TIFF_LZW)) {
    std::fprintf(stderr, "could not encode the test page\n");
    return 1;
  }
  BYTE* tiffData = nullptr;
  DWORD tiffSize = 0;
  FreeImage_AcquireMemory(tiff.get(), &tiffData, &tiffSize);

  Samples plain;
  for (int i = 0; i < repetitions; ++i) {
    const Stopwatch watch;
    Memory input(tiffData, tiffSize);
    const Bitmap loaded(FreeImage_LoadFromMemory(FIF_TIFF, input.get(), 0));
    Memory jpeg;
    const bool saved =
        loaded && FreeImage_SaveToMemory(FIF_JPEG, loaded.get(), jpeg.get(), 95 | JPEG_SUBSAMPLING_444);
    plain.Add(watch);
    if (!saved) {
      std::fprintf(stderr, "plain conversion failed\n");
      return 1;
    }
  }
  const double plainMs = MedianMs(plain.cpu);
  std::printf("page %d x %d, 24 bits, LZW TIFF of %lu bytes; median of %d runs; ratio of processor times\n",
              kWidth, kHeight, static_cast<unsigned long>(tiffSize), repetitions);
  std::printf("%-22s %10s %10s %8s\n", "stage", "cpu ms", "wall ms", "ratio");
  std::printf("%-22s %10.1f %10.1f %8.2f\n", "plain conversion", plainMs, MedianMs(plain.wall), 1.0);

  for (const StageRun& stage : Stages()) {
    Samples samples;
    for (int i = 0; i < repetitions; ++i) {
      Bitmap copy(FreeImage_Clone(page.get()));
      const Stopwatch watch;
      const Bitmap result = stage.run(std::move(copy));
      samples.Add(watch);
      if (!result) {
        std::fprintf(stderr, "%s gave no image\n", stage.name.c_str());
        return 1;
      }
    }
    const double ms = MedianMs(samples.cpu);
    std::printf("%-22s %10.1f %10.1f %8.2f\n", stage.name.c_str(), ms, MedianMs(samples.wall), ms / plainMs);
  }
  FreeImage_DeInitialise();
  return 0;
}

}  // namespace
}  // namespace rastrel

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  return rastrel::Run(repetitions);
}
