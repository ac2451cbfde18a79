// The image options of the console reach the geometry and colour stages: the written JPEG
// has the size and the content the options ask for.
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/process_runner.h"
#include "tests/support/temp_folder.h"
#include "tests/support/tiff_fixtures.h"

namespace rastrel {
namespace {

using fixtures::PageKind;
using fixtures::Rgb;
using fixtures::TempFolder;

constexpr int kWidth = 64;
constexpr int kHeight = 48;
constexpr int kCell = 16;  // 4 x 4 cells of 16 x 12 pixels

struct Jpeg {
  FIBITMAP* image = nullptr;
  Jpeg() = default;
  explicit Jpeg(const std::string& path) : image(FreeImage_Load(FIF_JPEG, path.c_str(), 0)) {}
  Jpeg(const Jpeg&) = delete;
  Jpeg& operator=(const Jpeg&) = delete;
  ~Jpeg() {
    if (image != nullptr) FreeImage_Unload(image);
  }
  int width() const { return static_cast<int>(FreeImage_GetWidth(image)); }
  int height() const { return static_cast<int>(FreeImage_GetHeight(image)); }
  // Mean of each channel over a square around (x, y), top-left origin; smooths JPEG ringing
  // and dither patterns alike.
  Rgb Mean(int x, int y, int radius) const {
    long sum[3] = {0, 0, 0};
    int count = 0;
    for (int j = y - radius; j <= y + radius; ++j) {
      for (int i = x - radius; i <= x + radius; ++i) {
        RGBQUAD q{};
        const unsigned row = static_cast<unsigned>(height() - 1 - j);
        if (FreeImage_GetBPP(image) == 8) {
          BYTE level = 0;
          FreeImage_GetPixelIndex(image, static_cast<unsigned>(i), row, &level);
          q.rgbRed = q.rgbGreen = q.rgbBlue = level;
        } else {
          FreeImage_GetPixelColor(image, static_cast<unsigned>(i), row, &q);
        }
        sum[0] += q.rgbRed;
        sum[1] += q.rgbGreen;
        sum[2] += q.rgbBlue;
        ++count;
      }
    }
    return Rgb{static_cast<std::uint8_t>(sum[0] / count), static_cast<std::uint8_t>(sum[1] / count),
               static_cast<std::uint8_t>(sum[2] / count)};
  }
};

int Luma(const Rgb& c) { return (2126 * c.r + 7152 * c.g + 722 * c.b) / 10000; }

int Distance(const Rgb& a, const Rgb& b) {
  return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

// The source colour of the cell centred at (x, y) of the 64 x 48 pattern.
Rgb Source(int x, int y) { return fixtures::ExpectedColour(PageKind::Rgb24Lzw, 0, x, y, kWidth, kHeight); }

struct Case {
  const char* name;
  std::vector<std::string> options;
  int width, height;
  // For each cell centre (x, y) of the source: where it lands in the output and what colour
  // it must have there, given its source colour.
  std::function<void(int x, int y, int& outX, int& outY)> place;
  std::function<bool(const Rgb& source, const Rgb& written)> matches;
  int radius;
};

bool SameColour(const Rgb& source, const Rgb& written) { return Distance(source, written) <= 12; }

TEST(GeometryColourOptions, ReachTheWrittenJpeg) {
  const auto same = [](int x, int y, int& ox, int& oy) { ox = x, oy = y; };
  const Case cases[] = {
      {"rotation 90",
       {"--rotation=90"},
       kHeight,
       kWidth,
       [](int x, int y, int& ox, int& oy) { ox = y, oy = kWidth - 1 - x; },
       SameColour,
       3},
      {"half size in percent",
       {"--width=50", "--width-unit=percent", "--height=50", "--height-unit=percent"},
       32,
       24,
       [](int x, int y, int& ox, int& oy) { ox = x / 2, oy = y / 2; },
       SameColour,
       1},
      {"flip horizontal",
       {"--flip-horizontal"},
       kWidth,
       kHeight,
       [](int x, int y, int& ox, int& oy) { ox = kWidth - 1 - x, oy = y; },
       SameColour,
       3},
      {"flip both",
       {"--flip-horizontal", "--flip-vertical"},
       kWidth,
       kHeight,
       [](int x, int y, int& ox, int& oy) { ox = kWidth - 1 - x, oy = kHeight - 1 - y; },
       SameColour,
       3},
      {"invert",
       {"--invert"},
       kWidth,
       kHeight,
       same,
       [](const Rgb& s, const Rgb& w) {
         return SameColour(Rgb{static_cast<std::uint8_t>(255 - s.r), static_cast<std::uint8_t>(255 - s.g),
                               static_cast<std::uint8_t>(255 - s.b)},
                           w);
       },
       3},
      {"greyscale",
       {"--greyscale"},
       kWidth,
       kHeight,
       same,
       [](const Rgb& s, const Rgb& w) {
         const int grey = Luma(s);
         return std::abs(w.r - grey) <= 12 && std::abs(w.g - grey) <= 12 && std::abs(w.b - grey) <= 12;
       },
       3},
      {"threshold",
       {"--threshold=128"},
       kWidth,
       kHeight,
       same,
       [](const Rgb& s, const Rgb& w) {
         const int level = Luma(s);
         if (std::abs(level - 128) < 16) return true;  // too close to call after JPEG
         const int expected = level >= 128 ? 255 : 0;
         return std::abs(w.r - expected) <= 24 && std::abs(w.g - w.r) <= 8 && std::abs(w.b - w.r) <= 8;
       },
       3},
      // A dithered cell averages to its grey level.
      {"dither bayer8",
       {"--dither=bayer8"},
       kWidth,
       kHeight,
       same,
       [](const Rgb& s, const Rgb& w) { return std::abs(w.r - Luma(s)) <= 40; },
       4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TempFolder folder;
    const std::string input = folder.path() + "page.tif";
    ASSERT_TRUE(fixtures::WriteTiff(input, {PageKind::Rgb24Lzw, kWidth, kHeight}));
    const std::string output = folder.MakeFolder("out");
    fixtures::ProgramRun run = fixtures::IsolatedRun(
        RASTREL_BIN, {"-i", input, "-o", output, "-c", "jpg", "--jpg-quality=95"}, folder.path());
    run.args.insert(run.args.end(), c.options.begin(), c.options.end());
    const fixtures::ProgramResult result = fixtures::RunProgram(run);
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;

    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(output))
      written.push_back(entry.path().string());
    ASSERT_EQ(written.size(), 1u) << result.out;
    const Jpeg jpeg(written.front());
    ASSERT_NE(jpeg.image, nullptr) << written.front();
    EXPECT_EQ(jpeg.width(), c.width);
    EXPECT_EQ(jpeg.height(), c.height);
    if (jpeg.width() != c.width || jpeg.height() != c.height) continue;

    for (int cy = 0; cy < 4; ++cy) {
      for (int cx = 0; cx < 4; ++cx) {
        const int x = cx * kCell + kCell / 2;
        const int y = cy * (kHeight / 4) + kHeight / 8;
        int ox = 0, oy = 0;
        c.place(x, y, ox, oy);
        const Rgb source = Source(x, y);
        const Rgb got = jpeg.Mean(ox, oy, c.radius);
        EXPECT_TRUE(c.matches(source, got)) << "cell " << cx << "," << cy << ": source (" << int{source.r}
                                            << ", " << int{source.g} << ", " << int{source.b} << ") written ("
                                            << int{got.r} << ", " << int{got.g} << ", " << int{got.b} << ")";
      }
    }
  }
}

}  // namespace
}  // namespace rastrel
