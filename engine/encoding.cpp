#include "engine/encoding.h"

#include <FreeImage.h>

#include <array>
#include <utility>

#include "formats/format_registry.h"

namespace rastrel {
namespace {

// A setting's code as an index into a flag table; codes outside the table add nothing.
template <std::size_t N>
std::int32_t FlagForCode(const std::array<std::int32_t, N>& table, std::int32_t code) {
  return code >= 0 && static_cast<std::size_t>(code) < N ? table[static_cast<std::size_t>(code)] : 0;
}

constexpr std::array<std::int32_t, 5> kExrCompression{EXR_NONE, EXR_ZIP, EXR_PIZ, EXR_PXR24, EXR_B44};
constexpr std::array<std::int32_t, 4> kJpegSubsampling{JPEG_SUBSAMPLING_444, JPEG_SUBSAMPLING_422,
                                                       JPEG_SUBSAMPLING_420, JPEG_SUBSAMPLING_411};
constexpr std::array<std::int32_t, 4> kJpegSaveAs{0, JPEG_BASELINE, JPEG_OPTIMIZE, JPEG_PROGRESSIVE};
constexpr std::array<std::int32_t, 4> kPngCompression{PNG_Z_NO_COMPRESSION, PNG_Z_BEST_SPEED,
                                                      PNG_Z_DEFAULT_COMPRESSION, PNG_Z_BEST_COMPRESSION};
constexpr std::array<std::int32_t, 9> kTiffCompression{TIFF_NONE,     TIFF_CCITTFAX3, TIFF_CCITTFAX4,
                                                       TIFF_PACKBITS, TIFF_DEFLATE,   TIFF_ADOBE_DEFLATE,
                                                       TIFF_LZW,      TIFF_JPEG,      TIFF_LOGLUV};

bool IsOneOf(std::string_view extension, std::initializer_list<std::string_view> list) {
  for (std::string_view item : list) {
    if (extension == item) return true;
  }
  return false;
}

// The depth table proper; no image when FreeImage cannot convert this kind of image.
FIBITMAP* ConvertBits(FIBITMAP* image, int depth, std::string_view extension, Bitmap& intermediate) {
  switch (depth) {
    case 1:
      return FreeImage_Dither(image, FID_FS);
    case 4:
      return FreeImage_ConvertTo4Bits(image);
    case 8:
      if (IsOneOf(extension, {"jpg", "j2k", "jp2", "jxr"})) return FreeImage_ConvertTo8Bits(image);
      if (FreeImage_GetBPP(image) != 24) {
        intermediate.reset(FreeImage_ConvertTo24Bits(image));
        if (!intermediate) return nullptr;
        image = intermediate.get();
      }
      return FreeImage_ColorQuantizeEx(image, FIQ_WUQUANT, 256, 0, nullptr);
    case 16:
      if (FreeImage_GetBPP(image) > 32) {
        intermediate.reset(FreeImage_ConvertTo24Bits(image));
        if (!intermediate) return nullptr;
        image = intermediate.get();
      }
      return IsOneOf(extension, {"ico", "tga"}) ? FreeImage_ConvertTo16Bits555(image)
                                                : FreeImage_ConvertTo16Bits565(image);
    case 24:
      return FreeImage_ConvertTo24Bits(image);
    case 32:
      return FreeImage_ConvertTo32Bits(image);
    case 48:
      return FreeImage_ConvertToRGB16(image);
    case 96:
      return FreeImage_ConvertToRGBF(image);
    default:
      return nullptr;
  }
}

// An ordinary 8, 24 or 32-bit bitmap of a page held in a wider sample type, for the
// conversions that accept only those.
Bitmap ToStandardBitmap(FIBITMAP* image) {
  switch (FreeImage_GetImageType(image)) {
    case FIT_RGB16:
      return Bitmap(FreeImage_ConvertTo24Bits(image));
    case FIT_RGBA16:
      return Bitmap(FreeImage_ConvertTo32Bits(image));
    case FIT_UINT16:
    case FIT_INT16:
    case FIT_UINT32:
    case FIT_INT32:
    case FIT_FLOAT:
    case FIT_DOUBLE:
      return Bitmap(FreeImage_ConvertToStandardType(image, TRUE));
    case FIT_RGBF:
    case FIT_RGBAF:
      return Bitmap(FreeImage_ToneMapping(image, FITMO_DRAGO03, 0, 0));
    default:
      return Bitmap();
  }
}

}  // namespace

std::int32_t ComputeSaveFlags(const Settings& settings, std::string_view extension) {
  const OutputSettings& o = settings.output;
  if (extension == "bmp") return o.bmpCompression == 1 ? BMP_SAVE_RLE : 0;
  if (extension == "exr") return FlagForCode(kExrCompression, o.exrCompression);
  if (extension == "jpg") {
    return o.jpgQuality | FlagForCode(kJpegSubsampling, o.jpgChroma) | FlagForCode(kJpegSaveAs, o.jpgSaveAs);
  }
  if (extension == "jxr") return JXR_LOSSLESS;
  if (extension == "png") {
    return FlagForCode(kPngCompression, o.pngCompression) | (o.pngInterlaced == 1 ? PNG_INTERLACED : 0);
  }
  if (extension == "tga") return o.tgaCompression == 1 ? TARGA_SAVE_RLE : 0;
  if (extension == "tiff") {
    return FlagForCode(kTiffCompression, o.tiffCompression) | (o.tiffColorMode == 1 ? TIFF_CMYK : 0);
  }
  if (extension == "webp") return o.webpQuality == 100 ? WEBP_LOSSLESS : o.webpQuality;
  return 0;
}

int ChooseAutomaticDepth(std::span<const int> allowedDepths, int sourceDepth) {
  for (int depth : allowedDepths) {
    if (depth >= sourceDepth) return depth;
  }
  return allowedDepths.empty() ? 0 : allowedDepths.back();
}

int OutputDepthForPage(const ConversionTarget& target, int sourceDepth) {
  if (!target.automatic) return target.depth;
  return ChooseAutomaticDepth(ProductRegistry().Output(target.extension).depths, sourceDepth);
}

bool HoldsColour(const Bitmap& image) {
  if (!image || FreeImage_GetImageType(image.get()) != FIT_BITMAP) return false;
  const unsigned bytes = image.bpp() / 8;
  if (bytes != 3 && bytes != 4) return false;
  const unsigned width = image.width(), height = image.height();
  for (unsigned y = 0; y < height; ++y) {
    const BYTE* p = FreeImage_GetScanLine(image.get(), static_cast<int>(y));
    for (unsigned x = 0; x < width; ++x, p += bytes) {
      if (p[FI_RGBA_RED] != p[FI_RGBA_GREEN] || p[FI_RGBA_GREEN] != p[FI_RGBA_BLUE]) return true;
    }
  }
  return false;
}

int OutputDepthForImage(const ConversionTarget& target, int sourceDepth, const Bitmap& image) {
  const int depth = OutputDepthForPage(target, sourceDepth);
  if (!target.automatic || depth >= 24 || !image || static_cast<int>(image.bpp()) <= depth) return depth;
  return HoldsColour(image) ? OutputDepthForPage(target, 24) : depth;
}

Bitmap ConvertToOutputDepth(Bitmap image, int depth, std::string_view extension) {
  if (!image) return image;
  if (static_cast<int>(image.bpp()) == depth) return image;
  Bitmap intermediate;
  Bitmap converted(ConvertBits(image.get(), depth, extension, intermediate));
  if (!converted && FreeImage_GetImageType(image.get()) != FIT_BITMAP) {
    // FreeImage's depth conversions refuse most wide sample types; go through an
    // ordinary bitmap rather than failing the page.
    Bitmap standard = ToStandardBitmap(image.get());
    if (standard) {
      image = std::move(standard);
      if (static_cast<int>(image.bpp()) == depth) return image;
      converted.reset(ConvertBits(image.get(), depth, extension, intermediate));
    }
  }
  return converted;
}

}  // namespace rastrel
