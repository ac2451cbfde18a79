#include "overlay/frame.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "overlay/blend.h"
#include "overlay/test_pages.h"

namespace rastrel {
namespace {

using test::FlatPage;
using test::PixelAt;

constexpr Rgba kGrey = MakeRgba(100, 100, 100, 255);

Settings FrameSettingsOf(int left, int right, int top, int bottom, const char* colour, int opacity = 255) {
  Settings settings;
  settings.frame.doFrame = 1;
  settings.frame.solidLeft = left;
  settings.frame.solidRight = right;
  settings.frame.solidTop = top;
  settings.frame.solidBottom = bottom;
  settings.frame.solidLeftColor = settings.frame.solidRightColor = colour;
  settings.frame.solidTopColor = settings.frame.solidBottomColor = colour;
  settings.frame.solidOpacity = opacity;
  return settings;
}

bool InBand(int x, int y, int w, int h, const FrameBands& b) {
  return x < b.left || x >= w - b.right || y < b.top || y >= h - b.bottom;
}

// One colour on all four sides: every pixel is either exactly the faded frame colour over
// the page or exactly the page, with the inner edges at columns L and W-R and rows T and
// H-B. Covers the opacities, the colour-text fallback to black and widths that need
// clamping.
TEST(ApplySolidFrame, PaintsExactlyTheBandAtTheOpacity) {
  struct Case {
    const char* name;
    int left, right, top, bottom;
    const char* colour;
    int opacity;
    Rgba frameColour;  // what the colour text means
    FrameBands drawn;  // the band that must be painted on the 40 x 30 page
  };
  const Case cases[] = {
      {"opaque", 5, 7, 3, 4, "FF0000", 255, MakeRgba(255, 0, 0, 255), {5, 7, 3, 4}},
      {"half", 5, 7, 3, 4, "00ff80", 128, MakeRgba(0, 255, 128, 255), {5, 7, 3, 4}},
      {"invisible", 5, 7, 3, 4, "FFFFFF", 0, kGrey, {5, 7, 3, 4}},
      {"five characters draw black", 2, 2, 2, 2, "FFFFF", 255, MakeRgba(0, 0, 0, 255), {2, 2, 2, 2}},
      {"seven characters draw black", 2, 2, 2, 2, "FFFFFFF", 255, MakeRgba(0, 0, 0, 255), {2, 2, 2, 2}},
      {"negative widths draw nothing on their side",
       -3,
       4,
       -1,
       2,
       "FFFFFF",
       255,
       MakeRgba(255, 255, 255, 255),
       {0, 4, 0, 2}},
      {"opposite sides wider than the page meet",
       30,
       30,
       25,
       25,
       "FFFFFF",
       255,
       MakeRgba(255, 255, 255, 255),
       {30, 10, 25, 5}},
  };
  constexpr int kW = 40, kH = 30;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Settings settings = FrameSettingsOf(c.left, c.right, c.top, c.bottom, c.colour, c.opacity);
    const FrameBands bands = ClampFrameBands(settings.frame, kW, kH);
    EXPECT_EQ(bands.left, c.drawn.left);
    EXPECT_EQ(bands.right, c.drawn.right);
    EXPECT_EQ(bands.top, c.drawn.top);
    EXPECT_EQ(bands.bottom, c.drawn.bottom);

    const Bitmap framed = ApplySolidFrame(FlatPage(kW, kH, 24, kGrey), kW, kH, settings);
    ASSERT_TRUE(framed);
    ASSERT_EQ(framed.bpp(), 24u);
    const int alpha = c.opacity;
    const Rgba band = MakeRgba(CompositeChannel(RedOf(c.frameColour), RedOf(kGrey), alpha),
                               CompositeChannel(GreenOf(c.frameColour), GreenOf(kGrey), alpha),
                               CompositeChannel(BlueOf(c.frameColour), BlueOf(kGrey), alpha), 255);
    int wrong = 0;
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        const Rgba expected = InBand(x, y, kW, kH, c.drawn) ? band : kGrey;
        if (PixelAt(framed, x, y) != expected && ++wrong <= 3) {
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << PixelAt(framed, x, y)
                        << ", expected " << expected;
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

// L = 20, T = 10, blue top and red left over a green page: the join runs from pixel corner
// (0, 0) to (20, 10); pixels it crosses mix blue and red, and none lets the page through.
TEST(ApplySolidFrame, MitredCornerHasNoSeam) {
  Settings settings = FrameSettingsOf(20, 0, 10, 0, "FF0000");
  settings.frame.solidTopColor = "0000FF";
  const Bitmap framed = ApplySolidFrame(FlatPage(60, 40, 24, MakeRgba(0, 255, 0, 255)), 60, 40, settings);
  ASSERT_TRUE(framed);
  int mixed = 0;
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 20; ++x) {
      const Rgba pixel = PixelAt(framed, x, y);
      ASSERT_EQ(GreenOf(pixel), 0) << "page shows through at (" << x << ", " << y << ")";
      EXPECT_NEAR(RedOf(pixel) + BlueOf(pixel), 255, 2) << x << ", " << y;
      // Pixel centre above the line y = x / 2 is the top side's, below it the left's.
      const double side = (y + 0.5) - (x + 0.5) / 2.0;
      if (side < -0.75) {
        EXPECT_EQ(pixel, MakeRgba(0, 0, 255, 255)) << x << ", " << y;
      } else if (side > 0.75) {
        EXPECT_EQ(pixel, MakeRgba(255, 0, 0, 255)) << x << ", " << y;
      }
      if (RedOf(pixel) > 10 && BlueOf(pixel) > 10) ++mixed;
    }
  }
  EXPECT_GE(mixed, 10);  // the diagonal is smoothed, not stepped
}

// Do Frame 0 hands the very same page back, depth included; any other value makes 24 bits
// of it, and only 1 draws (here with zero widths: nothing).
TEST(ApplySolidFrame, DoFrameDecidesDepthAndDrawing) {
  struct Case {
    int doFrame;
    int bpp;
    unsigned expectedBpp;
  };
  const Case cases[] = {{0, 8, 8}, {0, 32, 32}, {1, 8, 24}, {1, 32, 24}, {2, 24, 24}, {2, 32, 24}};
  const Rgba colour = MakeRgba(90, 90, 90, 60);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "Do Frame " << c.doFrame << ", " << c.bpp << " bits");
    Settings settings = FrameSettingsOf(0, 0, 0, 0, "FFFFFF");
    if (c.doFrame == 2) settings = FrameSettingsOf(3, 3, 3, 3, "FFFFFF");
    settings.frame.doFrame = static_cast<Code8>(c.doFrame);
    Bitmap page = FlatPage(12, 9, c.bpp, colour);
    FIBITMAP* handle = page.get();
    const Bitmap result = ApplySolidFrame(std::move(page), 12, 9, settings);
    ASSERT_TRUE(result);
    EXPECT_EQ(result.bpp(), c.expectedBpp);
    if (c.doFrame == 0) {
      EXPECT_EQ(result.get(), handle);
    }
    for (int y = 0; y < 9; ++y) {
      for (int x = 0; x < 12; ++x) {
        const Rgba pixel = PixelAt(result, x, y);
        EXPECT_EQ(pixel & 0xFFFFFF, colour & 0xFFFFFF) << x << ", " << y;
      }
    }
  }
}

}  // namespace
}  // namespace rastrel
