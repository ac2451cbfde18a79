#include "overlay/watermark.h"

#include <gtest/gtest.h>

#include <string>

#include "overlay/blend.h"
#include "overlay/image_watermark.h"
#include "overlay/overlay_resources.h"
#include "overlay/test_pages.h"
#include "overlay/text_watermark.h"
#include "tests/support/temp_folder.h"

namespace rastrel {
namespace {

using test::FlatPage;
using test::PixelAt;

constexpr Rgba kGrey = MakeRgba(100, 100, 100, 255);

// Runs the watermark stage the way the worker does: resources loaded for the batch, the
// page's facts in the context.
struct Stage {
  explicit Stage(const Settings& s) : settings(s) {
    std::string error;
    resources = LoadOverlayResources(settings, error);
  }
  Bitmap Run(Bitmap page) {
    BatchContext batch{settings, target, "/out/", false, nullptr, nullptr};
    ConversionContext context{batch, "/in/Scan.TIF", "", {}, {}, "", {}, {}};
    const int w = static_cast<int>(page.width());
    const int h = static_cast<int>(page.height());
    return ApplyWatermark(std::move(page), w, h, context, resources.get());
  }
  Settings settings;
  ConversionTarget target;
  std::unique_ptr<OverlayResources> resources;
};

struct Region {
  int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;  // inclusive; right < 0: nothing
  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
};

Region Changed(const Bitmap& page, Rgba background) {
  Region r;
  for (int y = 0; y < static_cast<int>(page.height()); ++y) {
    for (int x = 0; x < static_cast<int>(page.width()); ++x) {
      if (PixelAt(page, x, y) == background) continue;
      r.left = std::min(r.left, x);
      r.right = std::max(r.right, x);
      r.top = std::min(r.top, y);
      r.bottom = std::max(r.bottom, y);
    }
  }
  return r;
}

TEST(ApplyWatermark, NothingToDrawStillGivesTwentyFourBits) {
  struct Case {
    const char* name;
    int doWatermark;
    const char* image;
    int bpp;
    unsigned expectedBpp;
  };
  const Case cases[] = {
      {"off keeps the page", 0, "", 8, 8},
      {"off keeps 32 bits", 0, "", 32, 32},
      {"a picture that does not decode", 2, "/no/such/logo.png", 8, 24},
      {"an unknown kind", 3, "", 32, 24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Settings settings;
    settings.watermark.doWatermark = static_cast<Code8>(c.doWatermark);
    settings.watermark.image = c.image;
    Stage stage(settings);
    Bitmap page = FlatPage(40, 30, c.bpp, kGrey);
    FIBITMAP* handle = page.get();
    const Bitmap result = stage.Run(std::move(page));
    ASSERT_TRUE(result);
    EXPECT_EQ(result.bpp(), c.expectedBpp);
    if (c.doWatermark == 0) {
      EXPECT_EQ(result.get(), handle);
    }
    EXPECT_LT(Changed(result, kGrey).right, 0);
  }
}

TEST(ApplyWatermark, MissingFontDrawsNoText) {
  Settings settings;
  settings.watermark.doWatermark = 1;
  settings.watermark.font = "NoSuchFont";
  std::string error;
  EXPECT_FALSE(LoadOverlayResources(settings, error));
  EXPECT_EQ(error, "Invalid watermark font");
  Stage stage(Settings{});  // no resources at all
  stage.settings.watermark.doWatermark = 1;
  const Bitmap result = stage.Run(FlatPage(40, 30, 8, kGrey));
  ASSERT_TRUE(result);
  EXPECT_EQ(result.bpp(), 24u);
  EXPECT_LT(Changed(result, kGrey).right, 0);
}

// An opaque green box with white text on a grey 300 x 200 page: where the box lands, its
// size after rotation and cropping, and that its background is exactly the back colour.
TEST(ApplyWatermark, TextBoxLandsAtItsAnchor) {
  struct Case {
    const char* name;
    int position;
    int xOffset, yOffset;
    int frame;  // width of a frame on every side, with Text Boundary FRAME
    int rotation;
    int pageWidth;
    const char* text;
    // Expected region edges; -1 where the box's own size decides.
    int left, top, right, bottom;
  };
  const Case cases[] = {
      {"default bottom-right", 8, 10, 10, 0, 0, 300, "Mark", -1, -1, 289, 189},
      {"inside a 30-pixel frame", 8, 10, 10, 30, 0, 300, "Mark", -1, -1, 259, 159},
      {"top-left", 0, 10, 5, 0, 0, 300, "Mark", 10, 5, -1, -1},
      {"top-left inside the frame", 0, 10, 5, 30, 0, 300, "Mark", 40, 35, -1, -1},
      {"360 degrees do not rotate", 8, 10, 10, 0, 360, 300, "Mark", -1, -1, 289, 189},
      {"minus 90 degrees do not rotate", 8, 10, 10, 0, -90, 300, "Mark", -1, -1, 289, 189},
      {"90 degrees turn the box", 8, 10, 10, 0, 90, 300, "Mark", -1, -1, 289, 189},
      {"wider than the room: cut to end at the offset", 8, 10, 10, 0, 0, 100,
       "A much too long watermark text", 0, -1, 89, 189},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Settings settings;
    WatermarkSettings& w = settings.watermark;
    w.doWatermark = 1;
    w.text = c.text;
    w.backColor = "00FF00";
    w.backOpacity = 255;
    w.textPadding = 2;
    w.textPosition = static_cast<Code8>(c.position);
    w.textXOffset = c.xOffset;
    w.textYOffset = c.yOffset;
    w.textRotation = c.rotation;
    if (c.frame > 0) {
      settings.frame.doFrame = 1;
      settings.frame.solidLeft = settings.frame.solidRight = c.frame;
      settings.frame.solidTop = settings.frame.solidBottom = c.frame;
      w.textBoundary = 1;
    }
    Stage stage(settings);
    ASSERT_TRUE(stage.resources && stage.resources->font);
    const std::optional<TextBoxLayout> box = LayOutTextBox(c.text, *stage.resources->font, w);
    ASSERT_TRUE(box);

    const Bitmap result = stage.Run(FlatPage(c.pageWidth, 200, 24, kGrey));
    ASSERT_TRUE(result);
    const Region r = Changed(result, kGrey);
    ASSERT_GE(r.right, 0) << "nothing drawn";
    const bool turned = c.rotation == 90;
    const int expectedWidth = std::min(turned ? box->height : box->width, c.pageWidth - c.xOffset);
    EXPECT_EQ(r.width(), expectedWidth);
    EXPECT_EQ(r.height(), turned ? box->width : box->height);
    if (c.left >= 0) {
      EXPECT_EQ(r.left, c.left);
    }
    if (c.top >= 0) {
      EXPECT_EQ(r.top, c.top);
    }
    if (c.right >= 0) {
      EXPECT_EQ(r.right, c.right);
    }
    if (c.bottom >= 0) {
      EXPECT_EQ(r.bottom, c.bottom);
    }
    // The opaque background arrives as it is: no fading on the way to the page.
    EXPECT_EQ(PixelAt(result, r.left, r.top), MakeRgba(0, 255, 0, 255));
  }
}

TEST(ApplyWatermark, WatermarkOffThePageIsNotDrawn) {
  Settings settings;
  settings.watermark.doWatermark = 1;
  settings.watermark.text = "Mark";
  settings.watermark.backOpacity = 255;
  settings.watermark.textPosition = 0;
  settings.watermark.textXOffset = -5;
  Stage stage(settings);
  const Bitmap result = stage.Run(FlatPage(200, 100, 24, kGrey));
  ASSERT_TRUE(result);
  EXPECT_LT(Changed(result, kGrey).right, 0);
}

TEST(ExpandWatermarkText, ReplacesPlaceholdersOfTheCurrentPage) {
  Settings settings;
  ConversionTarget target;
  target.extension = "jpg";
  BatchContext batch{settings, target, "/out/", false, nullptr, nullptr};
  ConversionContext context{batch, "/in/Scan.TIF", "", {}, {}, "", {}, {}};
  context.counters.fileCounter = 7;
  context.page.width = 640;
  context.page.height = 480;
  context.page.number = 2;
  const std::pair<const char*, const char*> cases[] = {
      {"100%", "100%"},  // a single "%" is left alone
      {"%WIDTH%x%height% page %Frame%", "640x480 page 2"},
      {"%filename[u]%.%ext% #%n%", "SCAN.jpg #00007"},
      {"50% or 60%", "50% or 60%"},
      {"%eol%", "%eol%"},  // line breaks are not placeholders
  };
  for (const auto& [text, expanded] : cases) EXPECT_EQ(ExpandWatermarkText(text, context), expanded) << text;
}

// A 20 x 10 logo, colour (200, 100, 50), alpha rising along x.
Bitmap SoftLogo() {
  Bitmap logo = FlatPage(20, 10, 32, MakeRgba(200, 100, 50, 0));
  for (int y = 0; y < 10; ++y) {
    BYTE* row = FreeImage_GetScanLine(logo.get(), y);
    for (int x = 0; x < 20; ++x) row[x * 4 + FI_RGBA_ALPHA] = static_cast<BYTE>(x * 13);
  }
  return logo;
}

TEST(ApplyWatermark, PictureKeepsItsAlphaAtTheOpacity) {
  fixtures::TempFolder folder;
  const std::string path = folder.path() + "logo.png";
  ASSERT_TRUE(FreeImage_Save(FIF_PNG, SoftLogo().get(), path.c_str(), 0));
  for (int opacity : {255, 128, 0}) {
    SCOPED_TRACE(opacity);
    Settings settings;
    settings.watermark.doWatermark = 2;
    settings.watermark.image = path;
    settings.watermark.imageOpacity = opacity;
    Stage stage(settings);
    const Bitmap result = stage.Run(FlatPage(100, 60, 24, kGrey));
    ASSERT_TRUE(result);
    ASSERT_EQ(result.bpp(), 24u);
    for (int y = 0; y < 60; ++y) {
      for (int x = 0; x < 100; ++x) {
        // Bottom-right, 10 pixels in: the logo covers (70, 40) to (89, 49).
        const bool onLogo = x >= 70 && x < 90 && y >= 40 && y < 50;
        const int alpha = onLogo ? opacity * ((x - 70) * 13) / 255 : 0;
        const Rgba expected = MakeRgba(CompositeChannel(200, 100, alpha), CompositeChannel(100, 100, alpha),
                                       CompositeChannel(50, 100, alpha), 255);
        ASSERT_EQ(PixelAt(result, x, y), expected) << x << ", " << y;
      }
    }
  }
}

TEST(ApplyWatermark, LogoLargerThanThePageIsCropped) {
  fixtures::TempFolder folder;
  const std::string path = folder.path() + "big.bmp";
  ASSERT_TRUE(
      FreeImage_Save(FIF_BMP, FlatPage(150, 120, 24, MakeRgba(255, 0, 0, 255)).get(), path.c_str(), 0));
  Settings settings;
  settings.watermark.doWatermark = 2;
  settings.watermark.image = path;
  Stage stage(settings);
  const Bitmap result = stage.Run(FlatPage(100, 80, 24, kGrey));
  ASSERT_TRUE(result);
  const Region r = Changed(result, kGrey);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, 89);
  EXPECT_EQ(r.bottom, 69);
}

// What a decoded picture turns into: alpha from the picture (or opaque), faded, and grey
// by the 77/150/29 weights.
TEST(RenderImageWatermark, ColoursAlphaAndGrey) {
  struct Case {
    const char* name;
    Rgba pixel;
    int bpp;
    int greyscale;
    int opacity;
    Rgba expected;
  };
  const Case cases[] = {
      {"red to grey", MakeRgba(255, 0, 0, 255), 24, 1, 255, MakeRgba(76, 76, 76, 255)},
      {"green to grey", MakeRgba(0, 255, 0, 255), 24, 1, 255, MakeRgba(149, 149, 149, 255)},
      {"white stays white", MakeRgba(255, 255, 255, 255), 24, 1, 255, MakeRgba(255, 255, 255, 255)},
      {"opaque picture at 128", MakeRgba(10, 20, 30, 255), 24, 0, 128, MakeRgba(10, 20, 30, 128)},
      {"soft alpha kept", MakeRgba(10, 20, 30, 77), 32, 0, 255, MakeRgba(10, 20, 30, 77)},
      {"soft alpha faded", MakeRgba(10, 20, 30, 77), 32, 0, 128, MakeRgba(10, 20, 30, 38)},
      {"opacity out of range", MakeRgba(10, 20, 30, 77), 32, 0, 999, MakeRgba(10, 20, 30, 77)},
  };
  for (const Case& c : cases) {
    WatermarkSettings settings;
    settings.imageGreyscale = static_cast<Flag>(c.greyscale);
    settings.imageOpacity = c.opacity;
    const std::optional<Raster> raster = RenderImageWatermark(FlatPage(3, 2, c.bpp, c.pixel), settings);
    ASSERT_TRUE(raster) << c.name;
    for (Rgba pixel : raster->pixels) EXPECT_EQ(pixel, c.expected) << c.name;
  }
}

// Pictures as files: the signature decides the decoder, and what counts as transparency.
TEST(DecodeWatermarkPicture, FormatsAndTransparency) {
  fixtures::TempFolder folder;
  struct Case {
    const char* file;
    FREE_IMAGE_FORMAT format;
    Bitmap picture;
    int flags;
    unsigned expectedBpp;  // 0: does not decode
    int alphaAtOrigin;
  };
  Bitmap palette = FlatPage(4, 4, 8, MakeRgba(3, 3, 3, 255));
  BYTE table[256];
  std::fill(std::begin(table), std::end(table), BYTE{255});
  table[3] = 0;  // the fill index is transparent
  FreeImage_SetTransparencyTable(palette.get(), table, 256);
  Case cases[] = {
      {"soft.png", FIF_PNG, SoftLogo(), 0, 32, 0},
      {"palette.png", FIF_PNG, std::move(palette), 0, 32, 0},
      {"photo.jpg", FIF_JPEG, FlatPage(8, 8, 24, kGrey), JPEG_QUALITYSUPERB, 24, 255},
      {"zero-alpha.bmp", FIF_BMP, FlatPage(4, 4, 32, MakeRgba(9, 9, 9, 0)), 0, 24, 255},
      {"logo.dib", FIF_BMP, FlatPage(4, 4, 24, kGrey), BMP_SAVE_RLE, 24, 255},
      {"named.png", FIF_GIF, FlatPage(4, 4, 8, kGrey), 0, 0, 0},  // a GIF is not offered
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = folder.path() + c.file;
    ASSERT_TRUE(FreeImage_Save(c.format, c.picture.get(), path.c_str(), c.flags));
    const Bitmap decoded = DecodeWatermarkPicture(path);
    EXPECT_EQ(decoded.bpp(), c.expectedBpp);
    if (!decoded) continue;
    WatermarkSettings settings;
    const std::optional<Raster> raster = RenderImageWatermark(decoded, settings);
    ASSERT_TRUE(raster);
    EXPECT_EQ(AlphaOf(raster->At(0, 0)), c.alphaAtOrigin);
  }
  EXPECT_FALSE(DecodeWatermarkPicture(folder.path() + "missing.png"));
  EXPECT_FALSE(DecodeWatermarkPicture(folder.Write("broken.png", "\x89PNG\r\n\x1a\n broken")));
}

// Compositing only the watermark's rectangle must give the bytes the library's own
// compositor gives for a page-sized canvas.
TEST(CompositePixel, MatchesFreeImageComposite) {
  const int alphas[] = {0, 1, 127, 128, 254, 255};
  constexpr int kCount = static_cast<int>(std::size(alphas));
  Bitmap foreground = FlatPage(kCount, 1, 32, MakeRgba(250, 3, 128, 0));
  Bitmap background = FlatPage(kCount, 1, 24, MakeRgba(7, 200, 90, 255));
  BYTE* fg = FreeImage_GetScanLine(foreground.get(), 0);
  for (int i = 0; i < kCount; ++i) fg[i * 4 + FI_RGBA_ALPHA] = static_cast<BYTE>(alphas[i]);
  const Bitmap reference(FreeImage_Composite(foreground.get(), FALSE, nullptr, background.get()));
  ASSERT_TRUE(reference);
  BYTE* bg = FreeImage_GetScanLine(background.get(), 0);
  for (int i = 0; i < kCount; ++i) CompositePixel(bg + i * 3, PixelAt(foreground, i, 0));
  for (int i = 0; i < kCount; ++i)
    EXPECT_EQ(PixelAt(background, i, 0), PixelAt(reference, i, 0)) << alphas[i];
}

}  // namespace
}  // namespace rastrel
