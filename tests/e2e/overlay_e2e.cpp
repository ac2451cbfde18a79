// The frame and watermark options of the console reach the written JPEG: the frame's bands,
// the text box and the picture show where and how the options put them.
#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/process_runner.h"
#include "tests/support/temp_folder.h"

namespace rastrel {
namespace {

using fixtures::TempFolder;

constexpr int kWidth = 160;
constexpr int kHeight = 100;
constexpr int kGrey = 128;
// Largest channel difference of a mean over a flat area after JPEG compression.
constexpr int kTolerance = 10;

struct Colour {
  int r = 0, g = 0, b = 0;
};

class Image {
 public:
  explicit Image(FIBITMAP* image) : image_(image) {}
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  ~Image() {
    if (image_ != nullptr) FreeImage_Unload(image_);
  }
  FIBITMAP* get() const { return image_; }
  // Mean over the square of side 2 x radius + 1 around (x, y), top-left origin.
  Colour Mean(int x, int y, int radius = 1) const {
    Colour sum;
    int count = 0;
    for (int j = y - radius; j <= y + radius; ++j) {
      for (int i = x - radius; i <= x + radius; ++i) {
        RGBQUAD q{};
        FreeImage_GetPixelColor(image_, static_cast<unsigned>(i),
                                static_cast<unsigned>(static_cast<int>(FreeImage_GetHeight(image_)) - 1 - j),
                                &q);
        sum.r += q.rgbRed;
        sum.g += q.rgbGreen;
        sum.b += q.rgbBlue;
        ++count;
      }
    }
    return {sum.r / count, sum.g / count, sum.b / count};
  }

 private:
  FIBITMAP* image_;
};

// A flat page or picture of one colour.
bool WriteFlat(const std::string& path, FREE_IMAGE_FORMAT format, int width, int height, Colour colour) {
  Image image(FreeImage_Allocate(width, height, 24));
  RGBQUAD fill{static_cast<BYTE>(colour.b), static_cast<BYTE>(colour.g), static_cast<BYTE>(colour.r), 0};
  FreeImage_FillBackground(image.get(), &fill, 0);
  return FreeImage_Save(format, image.get(), path.c_str(), 0) != FALSE;
}

struct Probe {
  int x, y;
  Colour expected;
};

struct Case {
  const char* name;
  std::vector<std::string> options;
  std::vector<Probe> probes;
};

TEST(OverlayOptions, ReachTheWrittenJpeg) {
  const Colour grey{kGrey, kGrey, kGrey};
  const Colour green{0, 255, 0};
  const Colour blue{0, 0, 255};
  const int half = (128 * 255 + 127 * kGrey) >> 8;  // blue at opacity 128 over the grey page
  const Case cases[] = {
      {"frame",
       {"--fr-solid-left=12", "--fr-solid-top=10", "--fr-solid-right=14", "--fr-solid-bottom=16",
        "--fr-solid-left-color=FF0000", "--fr-solid-top-color=00FF00", "--fr-solid-right-color=0000FF",
        "--fr-solid-bottom-color=FFFF00"},
       {{5, 50, {255, 0, 0}},
        {80, 4, {0, 255, 0}},
        {kWidth - 6, 50, {0, 0, 255}},
        {80, kHeight - 7, {255, 255, 0}},
        {20, 50, grey},
        {kWidth - 22, 50, grey},
        {80, 18, grey},
        {80, kHeight - 24, grey}}},
      {"frame at half opacity",
       {"--fr-solid-left=12", "--fr-solid-left-color=0000FF", "--fr-solid-opacity=128"},
       {{5, 50, {kGrey >> 1, kGrey >> 1, half}}, {20, 50, grey}}},
      // Padding 6 keeps the box's outer rows and columns free of glyphs.
      {"text at the default anchor",
       {"--wm-text=Mark", "--wm-back-color=00FF00", "--wm-back-opacity=255", "--wm-text-padding=6"},
       {{kWidth - 10 - 3, kHeight - 10 - 3, green}, {kWidth - 10 + 4, kHeight - 10 + 4, grey}}},
      {"text top-left inside a frame",
       {"--wm-text=Mark", "--wm-back-color=00FF00", "--wm-back-opacity=255", "--wm-text-padding=6",
        "--wm-text-position=topleft", "--wm-text-boundary=frame", "--fr-solid-left=20", "--fr-solid-top=20",
        "--fr-solid-left-color=FFFFFF", "--fr-solid-top-color=FFFFFF"},
       {{33, 33, green}, {26, 26, grey}}},
      {"picture at the default anchor",
       {"--wm-image=logo.png"},
       {{kWidth - 20, kHeight - 16, blue},
        {kWidth - 5, kHeight - 5, grey},
        {kWidth - 36, kHeight - 16, grey}}},
      {"picture at half opacity",
       {"--wm-image=logo.png", "--wm-image-opacity=128"},
       {{kWidth - 20, kHeight - 16, {kGrey >> 1, kGrey >> 1, half}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TempFolder folder;
    const std::string input = folder.path() + "page.tif";
    ASSERT_TRUE(WriteFlat(input, FIF_TIFF, kWidth, kHeight, grey));
    // A 20 x 12 opaque blue logo: at the default anchor it covers (130, 78) to (149, 89).
    ASSERT_TRUE(WriteFlat(folder.path() + "logo.png", FIF_PNG, 20, 12, blue));
    const std::string output = folder.MakeFolder("out");
    fixtures::ProgramRun run = fixtures::IsolatedRun(
        RASTREL_BIN, {"-i", input, "-o", output, "-c", "jpg", "--jpg-quality=95"}, folder.path());
    run.args.insert(run.args.end(), c.options.begin(), c.options.end());
    const fixtures::ProgramResult result = fixtures::RunProgram(run);
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;

    const std::string written = output + "page.jpg";
    const Image jpeg(FreeImage_Load(FIF_JPEG, written.c_str(), 0));
    ASSERT_NE(jpeg.get(), nullptr) << result.out;
    ASSERT_EQ(FreeImage_GetWidth(jpeg.get()), static_cast<unsigned>(kWidth));
    ASSERT_EQ(FreeImage_GetHeight(jpeg.get()), static_cast<unsigned>(kHeight));
    for (const Probe& p : c.probes) {
      const Colour got = jpeg.Mean(p.x, p.y);
      EXPECT_LE(std::max({std::abs(got.r - p.expected.r), std::abs(got.g - p.expected.g),
                          std::abs(got.b - p.expected.b)}),
                kTolerance)
          << "at (" << p.x << ", " << p.y << "): " << got.r << "," << got.g << "," << got.b << " instead of "
          << p.expected.r << "," << p.expected.g << "," << p.expected.b;
    }
  }
}

// The drawing code is a module beside the executable. A copy of the program without it
// still converts what needs no drawing, and refuses up front what does, rather than
// writing pages without the frame or watermark they were asked for.
TEST(DrawingModule, WithoutItPlainBatchesRunAndDrawingOnesDoNotStart) {
  const TempFolder folder;
  const std::string program = folder.path() + "bin/rastrel";
  std::filesystem::create_directories(folder.path() + "bin");
  std::filesystem::copy_file(RASTREL_BIN, program);
  ASSERT_TRUE(WriteFlat(folder.path() + "page.tif", FIF_TIFF, kWidth, kHeight, {kGrey, kGrey, kGrey}));
  const auto runWith = [&](const std::string& output, std::vector<std::string> options) {
    fixtures::ProgramRun run = fixtures::IsolatedRun(
        program, {"-i", folder.path() + "page.tif", "-o", folder.MakeFolder(output), "-c", "jpg"},
        folder.path());
    run.args.insert(run.args.end(), options.begin(), options.end());
    return fixtures::RunProgram(run);
  };

  const fixtures::ProgramResult plain = runWith("plain", {});
  EXPECT_EQ(plain.exitCode, 0) << plain.out << plain.err;
  EXPECT_TRUE(std::filesystem::exists(folder.path() + "plain/page.jpg"));

  for (const std::vector<std::string>& drawing :
       {std::vector<std::string>{"--fr-solid-left=12"}, std::vector<std::string>{"--wm-text=Mark"}}) {
    const fixtures::ProgramResult refused = runWith("drawn", drawing);
    EXPECT_EQ(refused.exitCode, 3) << drawing.front() << "\n" << refused.out;
    EXPECT_TRUE(refused.err.starts_with("Error: the drawing module cannot be loaded: ")) << refused.err;
    EXPECT_EQ(refused.out.find("Converting"), std::string::npos) << refused.out;
    EXPECT_TRUE(std::filesystem::is_empty(folder.path() + "drawn"));
  }
}

}  // namespace
}  // namespace rastrel
