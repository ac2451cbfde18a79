#include "engine/tiff_decoder.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>

#include "engine/tiff_handle.h"
#include "engine/tiff_probe.h"
#include "engine/tiff_sample_decoder.h"

namespace rastrel {
namespace {

std::uint8_t Unpremultiply(std::uint32_t colour, std::uint32_t alpha) {
  if (alpha == 0) return 0;
  return static_cast<std::uint8_t>(std::min<std::uint32_t>(255, (colour * 255 + alpha / 2) / alpha));
}

// libtiff's RGBA interface: YCbCr (subsampled or not, JPEG or raw), old-style JPEG and
// whatever else it knows that the sample path does not. It hands back premultiplied
// colours, so alpha is undone here.
Bitmap DecodeThroughRgba(TIFF* tif, const TiffPageFacts& facts, std::vector<std::string>& diagnostics) {
  char message[1024] = {};
  if (!TIFFRGBAImageOK(tif, message)) {
    diagnostics.push_back(std::string("TIFF page cannot be decoded: ") + message);
    return {};
  }
  TIFFRGBAImage img;
  std::memset(&img, 0, sizeof img);
  if (!TIFFRGBAImageBegin(&img, tif, 0, message)) {
    diagnostics.push_back(std::string("TIFF page cannot be decoded: ") + message);
    return {};
  }
  // Asking for the file's own orientation makes libtiff flip nothing: rows arrive in stored
  // order, like every other decoder's, and ApplyOrientation does the whole turn later.
  img.req_orientation = img.orientation;
  const bool alpha = img.alpha != 0;
  const std::uint32_t width = facts.width, height = facts.height;
  Bitmap image(FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), alpha ? 32 : 24,
                                  FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK));
  if (!image) {
    TIFFRGBAImageEnd(&img);
    diagnostics.push_back("not enough memory for a " + std::to_string(width) + " x " +
                          std::to_string(height) + " page");
    return {};
  }
  // Whole strips or tile rows at a time, so subsampled data is never cut mid-block.
  const std::uint32_t unit = std::max<std::uint32_t>(1, facts.tiled ? facts.tileLength : facts.rowsPerStrip);
  const std::uint32_t band = std::min(height, unit * std::max<std::uint32_t>(1, 256 / unit));
  std::vector<std::uint32_t> raster(std::size_t{width} * band);
  int failures = 0;
  const unsigned bytesPerPixel = alpha ? 4 : 3;
  for (std::uint32_t row0 = 0; row0 < height; row0 += band) {
    const std::uint32_t rows = std::min(band, height - row0);
    std::fill(raster.begin(), raster.end(), 0u);
    img.row_offset = static_cast<int>(row0);
    img.col_offset = 0;
    if (!TIFFRGBAImageGet(&img, raster.data(), width, rows)) ++failures;
    for (std::uint32_t r = 0; r < rows; ++r) {
      BYTE* line = FreeImage_GetScanLine(image.get(), static_cast<int>(height - 1 - (row0 + r)));
      const std::uint32_t* src = raster.data() + std::size_t{r} * width;
      for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint32_t abgr = src[x];
        BYTE* p = line + std::size_t{x} * bytesPerPixel;
        if (alpha) {
          const std::uint32_t a = TIFFGetA(abgr);
          p[FI_RGBA_RED] = Unpremultiply(TIFFGetR(abgr), a);
          p[FI_RGBA_GREEN] = Unpremultiply(TIFFGetG(abgr), a);
          p[FI_RGBA_BLUE] = Unpremultiply(TIFFGetB(abgr), a);
          p[FI_RGBA_ALPHA] = static_cast<BYTE>(a);
        } else {
          p[FI_RGBA_RED] = static_cast<BYTE>(TIFFGetR(abgr));
          p[FI_RGBA_GREEN] = static_cast<BYTE>(TIFFGetG(abgr));
          p[FI_RGBA_BLUE] = static_cast<BYTE>(TIFFGetB(abgr));
        }
      }
    }
  }
  TIFFRGBAImageEnd(&img);
  if (failures > 0) {
    const std::uint32_t bands = (height + band - 1) / band;
    diagnostics.push_back("TIFF page decoded with errors in " + std::to_string(failures) + " of " +
                          std::to_string(bands) + " bands");
    if (static_cast<std::uint32_t>(failures) == bands) return {};
  }
  return image;
}

}  // namespace

Bitmap DecodeTiffPage(const std::string& path, int pageIndex, std::vector<std::string>& diagnostics,
                      const TiffDecodeLimits& limits) {
  // libtiff's own buffers (one strip, one tile) may hold deeper samples than the result.
  const std::uint64_t maxBlockBytes = limits.maxDecodedBytes * 2;
  TiffHandle tif = OpenTiffForReading(path, diagnostics, maxBlockBytes);
  if (!tif) {
    diagnostics.push_back("not a readable TIFF file");
    return {};
  }
  if (pageIndex < 0 || !TIFFSetDirectory(tif.get(), static_cast<tdir_t>(pageIndex))) {
    diagnostics.push_back("TIFF file has no page " + std::to_string(pageIndex + 1));
    return {};
  }
  TiffPageFacts facts;
  if (!ReadTiffPageFacts(tif.get(), facts) || facts.width == 0 || facts.height == 0) {
    diagnostics.push_back("TIFF page has no size");
    return {};
  }
  const std::uint64_t decodedBytes = std::uint64_t{facts.width} * facts.height * 4;
  if (decodedBytes > limits.maxDecodedBytes) {
    diagnostics.push_back("TIFF page of " + std::to_string(facts.width) + " x " +
                          std::to_string(facts.height) + " pixels is larger than the decoder accepts (" +
                          std::to_string(limits.maxDecodedBytes >> 20) + " MiB)");
    return {};
  }
  if (facts.photometricMissing) {
    diagnostics.push_back(facts.photometric == PHOTOMETRIC_RGB
                              ? "TIFF page has no Photometric tag; read as RGB"
                              : "TIFF page has no Photometric tag; read as min-is-black");
    TIFFSetField(tif.get(), TIFFTAG_PHOTOMETRIC, facts.photometric);
  }
  if (facts.photometric == PHOTOMETRIC_LOGLUV || facts.photometric == PHOTOMETRIC_LOGL) {
    // The codec hands over real XYZ (or Y) values on request; the tags then describe floats.
    if (!TIFFSetField(tif.get(), TIFFTAG_SGILOGDATAFMT, SGILOGDATAFMT_FLOAT)) {
      diagnostics.push_back("TIFF LogLuv page is not stored with an SGILog codec");
      return {};
    }
    const bool missing = facts.photometricMissing;
    ReadTiffPageFacts(tif.get(), facts);
    facts.photometricMissing = missing;
  }
  if (facts.sampleFormat == SAMPLEFORMAT_COMPLEXINT || facts.sampleFormat == SAMPLEFORMAT_COMPLEXIEEEFP) {
    // Radar and other signal data: which of magnitude, phase or a part to show is the
    // user's choice, not ours.
    diagnostics.push_back("TIFF page holds complex numbers, not a picture");
    return {};
  }
  if (CanDecodeTiffSamples(facts)) return DecodeTiffSamples(tif.get(), facts, maxBlockBytes, diagnostics);
  return DecodeThroughRgba(tif.get(), facts, diagnostics);
}

int CountTiffPages(const std::string& path, std::vector<std::string>& diagnostics) {
  TiffHandle tif = OpenTiffForReading(path, diagnostics);
  if (!tif) return 0;
  return static_cast<int>(TIFFNumberOfDirectories(tif.get()));
}

}  // namespace rastrel
