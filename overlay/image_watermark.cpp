#include "overlay/image_watermark.h"

#include "overlay/colour_text.h"

namespace rastrel {
namespace {

bool AllAlphaZero(FIBITMAP* bitmap) {
  const unsigned width = FreeImage_GetWidth(bitmap);
  const unsigned height = FreeImage_GetHeight(bitmap);
  for (unsigned y = 0; y < height; ++y) {
    const BYTE* pixel = FreeImage_GetScanLine(bitmap, static_cast<int>(y));
    for (unsigned x = 0; x < width; ++x, pixel += 4) {
      if (pixel[FI_RGBA_ALPHA] != 0) return false;
    }
  }
  return true;
}

// 24 bits for an opaque picture, 32 bits for one with alpha.
Bitmap Normalise(Bitmap picture, FREE_IMAGE_FORMAT format) {
  const FREE_IMAGE_TYPE type = FreeImage_GetImageType(picture.get());
  if (type == FIT_RGBA16) return Bitmap(FreeImage_ConvertTo32Bits(picture.get()));
  if (type == FIT_RGB16) return Bitmap(FreeImage_ConvertTo24Bits(picture.get()));
  if (type != FIT_BITMAP) {
    picture.reset(FreeImage_ConvertToStandardType(picture.get(), TRUE));
    if (!picture) return picture;
  }
  if (picture.bpp() == 32) {
    if (format == FIF_BMP && AllAlphaZero(picture.get()))
      return Bitmap(FreeImage_ConvertTo24Bits(picture.get()));
    return picture;
  }
  if (FreeImage_IsTransparent(picture.get())) return Bitmap(FreeImage_ConvertTo32Bits(picture.get()));
  if (picture.bpp() == 24) return picture;
  return Bitmap(FreeImage_ConvertTo24Bits(picture.get()));
}

}  // namespace

Bitmap DecodeWatermarkPicture(const std::string& path) {
  if (path.empty()) return Bitmap();
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
  if (format != FIF_PNG && format != FIF_BMP && format != FIF_JPEG) return Bitmap();
  Bitmap picture(FreeImage_Load(format, path.c_str(), 0));
  if (!picture || picture.width() == 0 || picture.height() == 0) return Bitmap();
  return Normalise(std::move(picture), format);
}

std::optional<Raster> RenderImageWatermark(const Bitmap& picture, const WatermarkSettings& settings) {
  if (!picture || (picture.bpp() != 24 && picture.bpp() != 32)) return std::nullopt;
  const int width = static_cast<int>(picture.width());
  const int height = static_cast<int>(picture.height());
  const bool hasAlpha = picture.bpp() == 32;
  std::optional<Raster> raster = MakeRaster(width, height, MakeRgba(0, 0, 0, hasAlpha ? 0 : 255));
  if (!raster) return std::nullopt;
  const int opacity = ClampToByte(settings.imageOpacity);
  const unsigned bytesPerPixel = picture.bpp() / 8;
  for (int y = 0; y < height; ++y) {
    const BYTE* pixel = FreeImage_GetScanLine(picture.get(), height - 1 - y);
    for (int x = 0; x < width; ++x, pixel += bytesPerPixel) {
      int red = pixel[FI_RGBA_RED];
      int green = pixel[FI_RGBA_GREEN];
      int blue = pixel[FI_RGBA_BLUE];
      if (settings.imageGreyscale != 0) red = green = blue = (77 * red + 150 * green + 29 * blue) / 256;
      const int alpha = hasAlpha ? opacity * pixel[FI_RGBA_ALPHA] / 255 : opacity;
      raster->At(x, y) = MakeRgba(red, green, blue, alpha);
    }
  }
  return raster;
}

}  // namespace rastrel
