#include "overlay/text_watermark.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "overlay/blend.h"

// fontconfig loads its configuration and font caches once per process and keeps them to the
// end; the leak checker of the sanitizer build must not count them. Only that library is
// named, so a layout or surface the overlays forget to release is still reported.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace rastrel {
namespace {

TEST(WatermarkFont, LoadsKnownFacesAndAliasesOnly) {
  struct Case {
    const char* face;
    bool loads;
  };
  const Case cases[] = {
      {"Arial", true},       {"arial", true},       {"Tahoma", true}, {"Verdana", true},
      {"DejaVu Sans", true}, {"NoSuchFont", false}, {"", false},      {"Arial,NoSuchFont", false}};
  for (const Case& c : cases) {
    WatermarkSettings settings;
    settings.font = c.face;
    EXPECT_EQ(LoadWatermarkFont(settings).has_value(), c.loads) << '"' << c.face << '"';
  }
}

TEST(WatermarkFont, PointsBecomePixelsAt96Dpi) {
  const std::pair<int, int> cases[] = {{14, 19}, {12, 16}, {10, 13}, {9, 12}, {72, 96}, {0, 0}};
  for (const auto& [points, pixels] : cases) EXPECT_EQ(FontPixelSize(points), pixels) << points;
  for (const auto& [points, loads] :
       {std::pair{0, false}, std::pair{-14, false}, std::pair{1, true}, std::pair{12288, true},
        std::pair{12289, false}, std::pair{2000000, false}}) {
    WatermarkSettings settings;
    settings.fontSize = points;
    EXPECT_EQ(LoadWatermarkFont(settings).has_value(), loads) << points << " points";
  }
}

TEST(LineStartX, FollowsTheAlignment) {
  struct Case {
    int lineWidth, boxWidth, alignment, padding, x;
  };
  const Case cases[] = {
      {30, 100, 0, 5, 5},   {30, 100, 1, 5, 35}, {31, 100, 1, 5, 35},  // 34.5 rounds up
      {101, 100, 1, 0, -1},                                            // -0.5 rounds away from zero
      {30, 100, 2, 5, 65},  {30, 100, 3, 5, 0},  {30, 100, -1, 5, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LineStartX(c.lineWidth, c.boxWidth, c.alignment, c.padding), c.x)
        << c.lineWidth << " in " << c.boxWidth << ", alignment " << c.alignment;
  }
}

TEST(SplitWatermarkLines, CutsAtEveryLineBreakInAnyCase) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"A%EOL%bb%eol%C", {"A", "bb", "C"}},
      {"%eol%", {"", ""}},
      {"x%Eol%", {"x", ""}},
      {"100%", {"100%"}},
      {"%eo%l%", {"%eo%l%"}},
  };
  for (const auto& [text, lines] : cases) EXPECT_EQ(SplitWatermarkLines(text), lines) << text;
}

class TextBox : public testing::Test {
 protected:
  void SetUp() override {
    std::optional<WatermarkFont> loaded = LoadWatermarkFont(settings_);
    ASSERT_TRUE(loaded);
    font_ = std::move(*loaded);
  }

  TextExtent Measure(const std::string& line, TextMode mode) {
    CairoSurface surface = MakeImageSurface(CAIRO_FORMAT_A8, 1, 1);
    CairoContext cr = MakeContext(surface.get());
    PangoLayoutHandle layout = MakeLineLayout(cr.get(), font_, line, mode);
    return MeasureLine(layout.get(), line, mode);
  }

  WatermarkSettings settings_;
  WatermarkFont font_;
};

struct InkBox {
  int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;  // inclusive
};

// Where the raster's alpha differs from the box background's, within rows [top, bottom).
InkBox InkIn(const Raster& raster, int top, int bottom, int backAlpha) {
  InkBox ink;
  for (int y = std::max(top, 0); y < std::min(bottom, raster.height); ++y) {
    for (int x = 0; x < raster.width; ++x) {
      if (AlphaOf(raster.At(x, y)) == backAlpha) continue;
      ink.left = std::min(ink.left, x);
      ink.right = std::max(ink.right, x);
      ink.top = std::min(ink.top, y);
      ink.bottom = std::max(ink.bottom, y);
    }
  }
  return ink;
}

// A single line: the box is the text plus the padding on every side and the line starts at
// (p, p) whatever the alignment says.
TEST_F(TextBox, OneLineIsTheTextPlusPadding) {
  const std::string text = "Sample 42";
  const TextExtent extent = Measure(text, TextMode::kRaster);
  ASSERT_GT(extent.width, 0);
  for (int alignment : {0, 1, 2}) {
    settings_.textPadding = 5;
    settings_.textAlignment = static_cast<Code8>(alignment);
    const std::optional<TextBoxLayout> box = LayOutTextBox(text, font_, settings_);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->width, extent.width + 10);
    EXPECT_EQ(box->height, extent.height + 10);
    EXPECT_EQ(box->lineX, std::vector<int>{5});
    EXPECT_EQ(box->lineY, std::vector<int>{5});
  }
}

// Three lines: the box's line height is the tallest line's (at least 10), lines follow each
// other by that height plus the leading, and each line is aligned on its own width; the
// drawn ink of each line sits where its alignment puts it, in both drawing modes.
TEST_F(TextBox, SeveralLinesStackWithLeadingAndAlign) {
  const std::string text = "A%EOL%bbbbbb%eol%C";
  const std::vector<std::string> lines = {"A", "bbbbbb", "C"};
  constexpr int kPadding = 3;
  constexpr int kLeading = 4;
  for (int antialiasing : {0, 1}) {
    const TextMode mode = antialiasing == 0 ? TextMode::kRaster : TextMode::kVector;
    for (int alignment : {0, 1, 2}) {
      SCOPED_TRACE(testing::Message() << "antialiasing " << antialiasing << ", alignment " << alignment);
      settings_.textPadding = kPadding;
      settings_.fontLeading = kLeading;
      settings_.textAlignment = static_cast<Code8>(alignment);
      settings_.textAntialiasing = static_cast<Flag>(antialiasing);
      settings_.backOpacity = 0;
      const std::optional<TextBoxLayout> box = LayOutTextBox(text, font_, settings_);
      ASSERT_TRUE(box);
      int widest = 10, tallest = 10;
      for (const std::string& line : lines) {
        widest = std::max(widest, Measure(line, TextMode::kRaster).width);
        tallest = std::max(tallest, Measure(line, TextMode::kRaster).height);
      }
      const int step = tallest + kLeading;
      EXPECT_EQ(box->width, widest + 2 * kPadding);
      EXPECT_EQ(box->height, tallest + 2 * step + 2 * kPadding);
      EXPECT_EQ(box->lineY, (std::vector<int>{kPadding, kPadding + step, kPadding + 2 * step}));

      const std::optional<Raster> raster = RenderTextWatermark(text, &font_, settings_);
      ASSERT_TRUE(raster);
      for (std::size_t i = 0; i < lines.size(); ++i) {
        const int width = Measure(lines[i], mode).width;
        const InkBox ink = InkIn(*raster, box->lineY[i], box->lineY[i] + step, 0);
        ASSERT_GE(ink.right, 0) << "line " << i << " not drawn";
        const int start = alignment == 0   ? kPadding
                          : alignment == 1 ? (box->width - width + 1) / 2
                                           : box->width - width - kPadding;
        EXPECT_EQ(box->lineX[i], start) << "line " << i;
        // Ink lies within the line's advance, give or take a side bearing.
        EXPECT_GE(ink.left, start - 1) << "line " << i;
        EXPECT_LE(ink.right, start + width + 1) << "line " << i;
      }
    }
  }
}

TEST_F(TextBox, EmptyTextIsOnlyThePadding) {
  settings_.backColor = "102030";
  settings_.backOpacity = 77;
  settings_.textPadding = 0;
  EXPECT_FALSE(RenderTextWatermark("", &font_, settings_));
  settings_.textPadding = -4;  // a negative padding counts as none
  EXPECT_FALSE(RenderTextWatermark("", &font_, settings_));
  settings_.textPadding = 4;
  const std::optional<Raster> raster = RenderTextWatermark("", &font_, settings_);
  ASSERT_TRUE(raster);
  EXPECT_EQ(raster->width, 8);
  EXPECT_EQ(raster->height, 8);
  for (Rgba pixel : raster->pixels) EXPECT_EQ(pixel, MakeRgba(0x10, 0x20, 0x30, 77));
  EXPECT_FALSE(RenderTextWatermark("text", nullptr, settings_));  // no font, no text
}

// Raster text has full coverage or none: glyph pixels are the text colour over the back
// colour by the blend rule, every other pixel the back colour. Vector text is smoothed.
TEST_F(TextBox, OpacitiesAndCoverage) {
  struct Case {
    int antialiasing;
    const char* back;
    int backOpacity;
    int textOpacity;
    std::set<Rgba> allowedWithoutSmoothing;  // every pixel of the raster path
  };
  const Case cases[] = {
      {0, "0000FF", 0, 255, {MakeRgba(0, 0, 255, 0), MakeRgba(255, 0, 0, 255)}},
      // a = 100 over t = 200: red (100*255*255) / (155*200 + 100*255) = 115, blue 139, alpha 221
      {0, "0000FF", 200, 100, {MakeRgba(0, 0, 255, 200), MakeRgba(115, 0, 139, 221)}},
      {1, "0000FF", 0, 128, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "antialiasing " << c.antialiasing << ", text opacity "
                                    << c.textOpacity);
    settings_.textAntialiasing = static_cast<Flag>(c.antialiasing);
    settings_.fontColor = "FF0000";
    settings_.backColor = c.back;
    settings_.backOpacity = c.backOpacity;
    settings_.textOpacity = c.textOpacity;
    settings_.textPadding = 2;
    const std::optional<Raster> raster = RenderTextWatermark("Wxyz 0", &font_, settings_);
    ASSERT_TRUE(raster);
    std::set<Rgba> seen(raster->pixels.begin(), raster->pixels.end());
    if (c.antialiasing == 0) {
      EXPECT_EQ(seen, c.allowedWithoutSmoothing);
      continue;
    }
    std::set<int> alphas;
    for (Rgba pixel : seen) {
      alphas.insert(AlphaOf(pixel));
      if (AlphaOf(pixel) > 0) {
        EXPECT_EQ(pixel & 0xFFFFFF, 0x0000FFu);  // red text, straight alpha
      }
    }
    EXPECT_EQ(*alphas.rbegin(), c.textOpacity);
    EXPECT_GT(alphas.size(), 5u) << "edges are not smoothed";
  }
}

// Workers draw with the one font of the batch at the same time; each must get exactly what
// a lone worker gets.
TEST_F(TextBox, SeveralWorkersDrawTheSame) {
  settings_.text = "Worker %eol%text";
  for (int antialiasing : {0, 1}) {
    settings_.textAntialiasing = static_cast<Flag>(antialiasing);
    const std::optional<Raster> reference = RenderTextWatermark(settings_.text, &font_, settings_);
    ASSERT_TRUE(reference);
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> workers;
    for (std::size_t w = 0; w < mismatches.size(); ++w) {
      workers.emplace_back([&, w] {
        for (int i = 0; i < 20; ++i) {
          const std::optional<Raster> drawn = RenderTextWatermark(settings_.text, &font_, settings_);
          if (!drawn || drawn->pixels != reference->pixels) ++mismatches[w];
        }
      });
    }
    for (std::thread& worker : workers) worker.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0)) << "antialiasing " << antialiasing;
  }
}

TEST(BlendOver, FollowsTheIntegerRule) {
  struct Case {
    Rgba target, source;
    int constant;
    Rgba expected;
  };
  const Case cases[] = {
      {0, MakeRgba(10, 20, 30, 255), 0, 0},                            // nothing drawn
      {0, MakeRgba(10, 20, 30, 255), 128, MakeRgba(10, 20, 30, 128)},  // onto transparent
      {0, MakeRgba(10, 20, 30, 100), 255, MakeRgba(10, 20, 30, 100)},  // source alpha counts
      {MakeRgba(0, 0, 255, 200), MakeRgba(255, 0, 0, 255), 100, MakeRgba(115, 0, 139, 221)},
      {MakeRgba(0, 0, 255, 200), MakeRgba(255, 0, 0, 255), 255, MakeRgba(255, 0, 0, 255)},
      {MakeRgba(7, 8, 9, 50), MakeRgba(255, 0, 0, 0), 255, MakeRgba(7, 8, 9, 50)},  // transparent source
  };
  for (const Case& c : cases) EXPECT_EQ(BlendOver(c.target, c.source, c.constant), c.expected);
}

}  // namespace
}  // namespace rastrel
