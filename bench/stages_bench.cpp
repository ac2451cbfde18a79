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

#include "bench/a4_page.h"
#include "engine/bitmap.h"
#include "engine/colour.h"
#include "engine/geometry.h"
#include "settings/settings.h"

namespace rastrel {
namespace {

using namespace bench;

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
  const Bitmap page = MakeA4Page(true);
  const std::string tiff = EncodeTiff(page);
  if (tiff.empty()) {
    std::fprintf(stderr, "could not encode the test page\n");
    return 1;
  }

  Samples plain;
  for (int i = 0; i < repetitions; ++i) {
    const Stopwatch watch;
    const bool saved = ConvertPlain(tiff);
    plain.Add(watch);
    if (!saved) {
      std::fprintf(stderr, "plain conversion failed\n");
      return 1;
    }
  }
  const double plainMs = MedianMs(plain.cpu);
  std::printf("page %d x %d, 24 bits, LZW TIFF of %lu bytes; median of %d runs; ratio of processor times\n",
              kWidth, kHeight, static_cast<unsigned long>(tiff.size()), repetitions);
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
