// Stored rows of a TIFF page as numbers, one value per sample, whatever the bit depth, sample
// format, byte order, planar layout or strip/tile organisation. A strip or tile that cannot
// be decoded reads as zeros and is counted, so one damaged block does not cost the page.
#pragma once

#include <tiffio.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/tiff_probe.h"

namespace rastrel {

class TiffSampleRows {
 public:
  // `maxBandBytes` caps the decoded block buffer of one plane.
  TiffSampleRows(TIFF* tif, const TiffPageFacts& facts, std::uint64_t maxBandBytes,
                 std::vector<std::string>& diagnostics);

  bool ok() const { return ok_; }

  // Fills `out` with width x samplesPerPixel values, pixel by pixel, of stored row `y`.
  // Rows are best read in ascending order: a block is decoded once per pass.
  void ReadRow(std::uint32_t y, std::vector<double>& out);

  // The same as stored bits, without interpretation; for samples of up to 32 bits.
  void ReadRawRow(std::uint32_t y, std::vector<std::uint32_t>& out);

  int failedBlocks() const { return failedBlocks_; }
  int readBlocks() const { return readBlocks_; }

 private:
  void LoadBand(std::uint32_t band);
  template <typename Sink>
  void Visit(std::uint32_t y, Sink&& sink);

  TIFF* tif_;
  const TiffPageFacts& facts_;
  std::vector<std::string>& diagnostics_;
  bool ok_ = false;
  int planes_ = 1;
  int samplesPerPlane_ = 1;
  std::uint32_t bandRows_ = 0;
  std::size_t planeRowBytes_ = 0;
  std::int64_t loadedBand_ = -1;
  std::vector<std::vector<std::uint8_t>> bands_;  // one per plane
  std::vector<std::uint8_t> tile_;
  int failedBlocks_ = 0;
  int readBlocks_ = 0;
};

// Half and Adobe 24-bit floats, which the CPU has no type for.
double HalfToDouble(std::uint16_t bits);
double Float24ToDouble(std::uint32_t bits);

}  // namespace rastrel
