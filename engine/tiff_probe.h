// The few tags of a TIFF page that decide how it is decoded, read without touching pixels,
// and the rule that sends a page past FreeImage's loader to libtiff when FreeImage is known
// to give no image, an image the pipeline cannot use, or wrong pixels for it.
#pragma once

#include <FreeImage.h>
#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/tiff_handle.h"

namespace rastrel {

struct TiffPageFacts {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int bitsPerSample = 1;
  int samplesPerPixel = 1;
  int photometric = PHOTOMETRIC_MINISBLACK;
  bool photometricMissing = false;  // guessed from the sample count, as libtiff's tools do
  int sampleFormat = SAMPLEFORMAT_UINT;
  int planar = PLANARCONFIG_CONTIG;
  int compression = COMPRESSION_NONE;
  int inkSet = INKSET_CMYK;
  int orientation = ORIENTATION_TOPLEFT;  // 1 when absent or out of range
  bool tiled = false;
  std::uint32_t rowsPerStrip = 0;  // stripped pages, clamped to the height
  std::uint32_t tileWidth = 0, tileLength = 0;
  std::vector<std::uint16_t> extraSamples;  // kinds of the samples beyond the colour ones

  int ColourChannels() const { return samplesPerPixel - static_cast<int>(extraSamples.size()); }
  bool HasAssociatedAlpha() const;
};

// Reads the current directory of `tif`. False when the page lacks a size.
bool ReadTiffPageFacts(TIFF* tif, TiffPageFacts& facts);

// Facts of page `pageIndex` of the file; false when it cannot be read.
bool ProbeTiffPage(const std::string& path, int pageIndex, TiffPageFacts& facts,
                   std::vector<std::string>& diagnostics);

// The pages of one file, probed one after another through a single handle (asking for the
// pages in ascending order walks the chain of directories once). libtiff's messages about
// the file collect in messages() for the caller to pass on.
class TiffFileProbe {
 public:
  explicit TiffFileProbe(const std::string& path);

  bool Readable() const { return static_cast<bool>(tif_); }
  int PageCount();  // libtiff's count; 0 when the file is not a readable TIFF
  bool Facts(int pageIndex, TiffPageFacts& facts);
  // The messages gathered since the last call.
  std::vector<std::string> TakeMessages();

 private:
  std::unique_ptr<std::vector<std::string>> messages_ = std::make_unique<std::vector<std::string>>();
  TiffHandle tif_;
};

// True for pages that FreeImage's TIFF loader decodes wrongly although it gives an image:
// colour spaces it converts incorrectly (CIELab), associated alpha it leaves premultiplied,
// half floats it reads as 16-bit RGB, greyscale deeper than 8 bits that the greyscale
// normalisation would stretch to the page's own minimum and maximum, a missing Photometric
// tag it takes as min-is-white, subsampled YCbCr whose Orientation it half applies. Pages for
// which FreeImage gives no usable image at all are caught after loading; this only has to
// name the ones that load but look wrong.
bool ShouldPreferLibtiff(const TiffPageFacts& facts);

// Whether a page as FreeImage loaded it can go through the stages and be brought to
// `outputDepth` bits per pixel: standard bitmaps always; greyscale of any sample type (the
// greyscale normalisation makes it 8-bit); 16-bit-per-sample RGB(A) only to 24 bits and more;
// floating-point RGB(A) never, FreeImage has no conversion for it below 96 bits.
bool CanReachOutputDepth(FIBITMAP* image, int outputDepth);

}  // namespace rastrel
