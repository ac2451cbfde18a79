// What the frame and the watermarks add to the plain conversion of an A4 page at 300 dpi
// (2480 x 3508, 24 bits): decode the TIFF from memory and encode it as a JPEG into memory at
// quality 95 with 4:4:4 sampling. Targets: a frame adds at most 20 %, the default text
// watermark at most 10 %.
//
// Usage: overlay_bench [repetitions]   (default 9; every figure is the median)

#include <FreeImage.h>
#include <tiffio.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/a4_page.h"
#include "engine/bitmap.h"
#include "engine/context.h"
#include "overlay/frame.h"
#include "overlay/overlay_resources.h"
#include "overlay/watermark.h"
#include "settings/settings.h"

namespace rastrel {
namespace {

using namespace bench;

Settings Base() {
  Settings settings;
  ApplyDefaults(settings, true, 0, 0, 0);
  return settings;
}

struct Case {
  std::string name;
  Settings settings;
  double target = 0;  // largest acceptable share of the plain conversion; 0: no target
};

std::vector<Case> Cases(const std::string& logoPath) {
  std::vector<Case> cases;
  {
    Settings s = Base();
    s.frame.doFrame = 1;
    s.frame.solidLeft = s.frame.solidRight = s.frame.solidTop = s.frame.solidBottom = 30;
    s.frame.solidLeftColor = s.frame.solidTopColor = "203040";
    cases.push_back({"frame 30 px", s, 0.20});
    s.frame.solidLeft = s.frame.solidRight = s.frame.solidTop = s.frame.solidBottom = 150;
    s.frame.solidOpacity = 128;
    cases.push_back({"frame 150 px at 128", s, 0.20});
  }
  {
    Settings s = Base();
    s.watermark.doWatermark = 1;
    cases.push_back({"text watermark", s, 0.10});
    s.watermark.textAntialiasing = 1;
    s.watermark.text = "%filename% page %frame%%eol%" + s.watermark.text;
    s.watermark.textRotation = 30;
    cases.push_back({"text, smooth, 2 lines, 30 deg", s, 0});
  }
  {
    Settings s = Base();
    s.watermark.doWatermark = 2;
    s.watermark.image = logoPath;
    s.watermark.imageOpacity = 160;
    cases.push_back({"image watermark 600x300", s, 0});
  }
  return cases;
}

// A 600 x 300 logo with a soft alpha edge, written where the bench can read it back.
bool WriteLogo(const std::string& path) {
  Bitmap logo(FreeImage_Allocate(600, 300, 32, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK));
  for (int y = 0; y < 300; ++y) {
    BYTE* pixel = FreeImage_GetScanLine(logo.get(), y);
    for (int x = 0; x < 600; ++x, pixel += 4) {
      pixel[FI_RGBA_RED] = static_cast<BYTE>(x / 3);
      pixel[FI_RGBA_GREEN] = static_cast<BYTE>(y / 2);
      pixel[FI_RGBA_BLUE] = 200;
      pixel[FI_RGBA_ALPHA] = static_cast<BYTE>(std::min(255, std::min(x, y) * 4));
    }
  }
  return FreeImage_Save(FIF_PNG, logo.get(), path.c_str(), 0) != FALSE;
}

int Run(int repetitions) {
  FreeImage_Initialise(FALSE);
  TIFFSetErrorHandler(nullptr);
  TIFFSetWarningHandler(nullptr);
  const Bitmap page = MakeA4Page(false);
  const std::string tiff = EncodeTiff(page);
  if (tiff.empty()) {
    std::fprintf(stderr, "could not encode the test page\n");
    return 1;
  }

  std::vector<double> plain;
  for (int i = 0; i < repetitions; ++i) {
    const Stopwatch watch;
    const bool saved = ConvertPlain(tiff);
    plain.push_back(watch.WallMs());
    if (!saved) {
      std::fprintf(stderr, "plain conversion failed\n");
      return 1;
    }
  }
  const double plainMs = MedianMs(plain);
  std::printf("page %d x %d, 24 bits; median of %d runs\n", kWidth, kHeight, repetitions);
  std::printf("%-32s %9s %8s %8s\n", "stage", "ms", "share", "target");
  std::printf("%-32s %9.1f %8s %8s\n", "plain conversion", plainMs, "", "");

  const std::string logoPath =
      (std::filesystem::temp_directory_path() / "rastrel_overlay_bench_logo.png").string();
  if (!WriteLogo(logoPath)) {
    std::fprintf(stderr, "could not write the logo\n");
    return 1;
  }
  int missed = 0;
  const ConversionTarget target{"jpg", FIF_JPEG, 24, false, 95};
  for (const Case& c : Cases(logoPath)) {
    std::string error;
    // Loaded once per batch, as the console does before the worker starts.
    const std::unique_ptr<OverlayResources> resources = LoadOverlayResources(c.settings, error);
    if (!resources) {
      std::fprintf(stderr, "%s: %s\n", c.name.c_str(), error.c_str());
      return 1;
    }
    const BatchContext batch{c.settings, target, "/tmp/", false, nullptr, nullptr};
    ConversionContext context{batch, "/in/scan.tif", "", {}, {}, "", {}, {}};
    context.page = {24, kWidth, kHeight, 1, 24};
    std::vector<double> samples;
    for (int i = 0; i < repetitions; ++i) {
      Bitmap copy(FreeImage_Clone(page.get()));
      const Stopwatch watch;
      Bitmap result = ApplySolidFrame(std::move(copy), kWidth, kHeight, c.settings);
      result = ApplyWatermark(std::move(result), kWidth, kHeight, context, resources.get());
      samples.push_back(watch.WallMs());
      if (!result) {
        std::fprintf(stderr, "%s gave no image\n", c.name.c_str());
        return 1;
      }
    }
    const double share = MedianMs(samples) / plainMs;
    const bool over = c.target > 0 && share > c.target;
    missed += over ? 1 : 0;
    char targetText[16] = "";
    if (c.target > 0) std::snprintf(targetText, sizeof targetText, "%.0f %%", c.target * 100);
    std::printf("%-32s %9.2f %7.1f%% %8s%s\n", c.name.c_str(), MedianMs(samples), share * 100, targetText,
                over ? "  MISSED" : "");
  }
  std::filesystem::remove(logoPath);
  FreeImage_DeInitialise();
  return missed == 0 ? 0 : 1;
}

}  // namespace
}  // namespace rastrel

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
  return rastrel::Run(repetitions);
}
