#include "engine/tiff_probe.h"

#include <algorithm>
#include <utility>

#include "engine/tiff_handle.h"

namespace rastrel {

bool TiffPageFacts::HasAssociatedAlpha() const {
  return std::find(extraSamples.begin(), extraSamples.end(), EXTRASAMPLE_ASSOCALPHA) != extraSamples.end();
}

bool ReadTiffPageFacts(TIFF* tif, TiffPageFacts& facts) {
  facts = TiffPageFacts{};
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &facts.width) ||
      !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &facts.height))
    return false;
  std::uint16_t value = 0;
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &value);
  facts.bitsPerSample = value;
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &value);
  facts.samplesPerPixel = value;
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &value);
  facts.sampleFormat = value;
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &value);
  facts.planar = value;
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &value);
  facts.compression = value;
  TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &value);
  facts.inkSet = value;
  if (TIFFGetField(tif, TIFFTAG_ORIENTATION, &value) && value >= 1 && value <= 8) facts.orientation = value;

  std::uint16_t extraCount = 0;
  std::uint16_t* extraKinds = nullptr;
  if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraKinds) && extraKinds != nullptr &&
      extraCount < facts.samplesPerPixel)
    facts.extraSamples.assign(extraKinds, extraKinds + extraCount);

  if (TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &value)) {
    facts.photometric = value;
  } else {
    facts.photometricMissing = true;
    facts.photometric = facts.ColourChannels() >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
  }

  facts.tiled = TIFFIsTiled(tif) != 0;
  if (facts.tiled) {
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &facts.tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &facts.tileLength);
  } else {
    std::uint32_t rows = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rows);
    facts.rowsPerStrip = rows == 0 ? facts.height : std::min(rows, facts.height);
  }
  return true;
}

bool ProbeTiffPage(const std::string& path, int pageIndex, TiffPageFacts& facts,
                   std::vector<std::string>& diagnostics) {
  TiffHandle tif = OpenTiffForReading(path, diagnostics);
  if (!tif || pageIndex < 0 || !TIFFSetDirectory(tif.get(), static_cast<tdir_t>(pageIndex))) return false;
  return ReadTiffPageFacts(tif.get(), facts);
}

TiffFileProbe::TiffFileProbe(const std::string& path) : tif_(OpenTiffForReading(path, *messages_)) {}

int TiffFileProbe::PageCount() { return tif_ ? static_cast<int>(TIFFNumberOfDirectories(tif_.get())) : 0; }

bool TiffFileProbe::Facts(int pageIndex, TiffPageFacts& facts) {
  if (!tif_ || pageIndex < 0 || !TIFFSetDirectory(tif_.get(), static_cast<tdir_t>(pageIndex))) return false;
  return ReadTiffPageFacts(tif_.get(), facts);
}

std::vector<std::string> TiffFileProbe::TakeMessages() { return std::exchange(*messages_, {}); }

bool ShouldPreferLibtiff(const TiffPageFacts& facts) {
  if (facts.photometricMissing) return true;
  if (facts.HasAssociatedAlpha()) return true;
  switch (facts.photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
      return facts.bitsPerSample > 8 || facts.sampleFormat == SAMPLEFORMAT_IEEEFP ||
             facts.sampleFormat == SAMPLEFORMAT_INT;
    case PHOTOMETRIC_RGB:
    case PHOTOMETRIC_PALETTE:
    case PHOTOMETRIC_SEPARATED:
      return facts.sampleFormat == SAMPLEFORMAT_IEEEFP && facts.bitsPerSample == 16;
    case PHOTOMETRIC_YCBCR:
      return facts.orientation != ORIENTATION_TOPLEFT;
    default:
      return true;  // CIELab, ICCLab, LogLuv and the rest
  }
}

bool CanReachOutputDepth(FIBITMAP* image, int outputDepth) {
  if (image == nullptr || !FreeImage_HasPixels(image)) return false;
  switch (FreeImage_GetImageType(image)) {
    case FIT_BITMAP:
      return true;
    case FIT_UINT16:
    case FIT_INT16:
    case FIT_UINT32:
    case FIT_INT32:
    case FIT_FLOAT:
    case FIT_DOUBLE: {
      const auto colour = FreeImage_GetColorType(image);
      return colour == FIC_MINISBLACK || colour == FIC_MINISWHITE;
    }
    case FIT_RGB16:
    case FIT_RGBA16:
      return outputDepth >= 24;
    case FIT_RGBF:
    case FIT_RGBAF:
      return outputDepth >= 96;
    default:
      return false;
  }
}

}  // namespace rastrel
