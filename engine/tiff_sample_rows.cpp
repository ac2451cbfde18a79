#include "engine/tiff_sample_rows.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace rastrel {
namespace {

template <typename T>
T Load(const std::uint8_t* p) {
  T value;
  std::memcpy(&value, p, sizeof(T));
  return value;
}

std::int64_t SignExtend(std::uint64_t raw, int bits) {
  if (bits >= 64) return static_cast<std::int64_t>(raw);
  const std::uint64_t sign = 1ull << (bits - 1);
  return static_cast<std::int64_t>((raw ^ sign)) - static_cast<std::int64_t>(sign);
}

}  // namespace

double HalfToDouble(std::uint16_t bits) {
  const int sign = (bits >> 15) ? -1 : 1;
  const int exponent = (bits >> 10) & 0x1F;
  const int mantissa = bits & 0x3FF;
  if (exponent == 0) return sign * std::ldexp(mantissa, -24);
  if (exponent == 31) return mantissa ? NAN : sign * INFINITY;
  return sign * std::ldexp(mantissa + 1024, exponent - 25);
}

double Float24ToDouble(std::uint32_t bits) {
  // 1 sign bit, 7 exponent bits (bias 63), 16 mantissa bits.
  const int sign = ((bits >> 23) & 1) ? -1 : 1;
  const int exponent = static_cast<int>((bits >> 16) & 0x7F);
  const std::uint32_t mantissa = bits & 0xFFFF;
  if (exponent == 0) return sign * std::ldexp(static_cast<double>(mantissa), -62 - 16);
  if (exponent == 127) return mantissa ? NAN : sign * INFINITY;
  return sign * std::ldexp(static_cast<double>(mantissa + 65536), exponent - 63 - 16);
}

TiffSampleRows::TiffSampleRows(TIFF* tif, const TiffPageFacts& facts, std::uint64_t maxBandBytes,
                               std::vector<std::string>& diagnostics)
    : tif_(tif), facts_(facts), diagnostics_(diagnostics) {
  const int bits = facts.bitsPerSample;
  if (bits < 1 || (bits > 32 && bits != 64) || facts.samplesPerPixel < 1) {
    diagnostics_.push_back("TIFF page has " + std::to_string(bits) + "-bit samples, which cannot be read");
    return;
  }
  const bool separate = facts.planar == PLANARCONFIG_SEPARATE && facts.samplesPerPixel > 1;
  planes_ = separate ? facts.samplesPerPixel : 1;
  samplesPerPlane_ = separate ? 1 : facts.samplesPerPixel;
  const std::uint64_t rowBits = std::uint64_t{facts.width} * static_cast<std::uint64_t>(samplesPerPlane_) *
                                static_cast<std::uint64_t>(bits);
  planeRowBytes_ = static_cast<std::size_t>((rowBits + 7) / 8);

  if (facts.tiled) {
    if (facts.tileWidth == 0 || facts.tileLength == 0 ||
        (std::uint64_t{facts.tileWidth} * static_cast<std::uint64_t>(samplesPerPlane_ * bits)) % 8 != 0) {
      diagnostics_.push_back("TIFF page has an unusable tile size");
      return;
    }
    bandRows_ = facts.tileLength;
  } else {
    bandRows_ = std::max<std::uint32_t>(1, facts.rowsPerStrip);
  }
  const std::uint64_t bandBytes = std::uint64_t{bandRows_} * planeRowBytes_;
  if (bandBytes > maxBandBytes) {
    diagnostics_.push_back("TIFF page stores blocks of " + std::to_string(bandBytes) +
                           " bytes, more than the decoder accepts");
    return;
  }
  bands_.assign(static_cast<std::size_t>(planes_),
                std::vector<std::uint8_t>(static_cast<std::size_t>(bandBytes)));
  if (facts.tiled) {
    // Every row of a tile is copied out of this buffer, so it must hold them all.
    const tmsize_t tileBytes = TIFFTileSize(tif_);
    const std::uint64_t tileRowBits =
        std::uint64_t{facts.tileWidth} * static_cast<std::uint64_t>(samplesPerPlane_ * bits);
    if (tileBytes <= 0 || static_cast<std::uint64_t>(tileBytes) > maxBandBytes ||
        static_cast<std::uint64_t>(tileBytes) < (tileRowBits + 7) / 8 * facts.tileLength) {
      diagnostics_.push_back("TIFF page has an unusable tile size");
      return;
    }
    tile_.resize(static_cast<std::size_t>(tileBytes));
  }
  ok_ = true;
}

void TiffSampleRows::LoadBand(std::uint32_t band) {
  loadedBand_ = band;
  const std::uint32_t row0 = band * bandRows_;
  const std::uint32_t rows = std::min(bandRows_, facts_.height - row0);
  for (int plane = 0; plane < planes_; ++plane) {
    auto& buffer = bands_[static_cast<std::size_t>(plane)];
    const auto sample = static_cast<std::uint16_t>(plane);
    if (!facts_.tiled) {
      const std::size_t want = std::size_t{rows} * planeRowBytes_;
      ++readBlocks_;
      const tmsize_t got = TIFFReadEncodedStrip(tif_, TIFFComputeStrip(tif_, row0, sample), buffer.data(),
                                                static_cast<tmsize_t>(want));
      if (got < 0) {
        ++failedBlocks_;
        std::fill(buffer.begin(), buffer.end(), 0);
      } else if (static_cast<std::size_t>(got) < want) {
        std::fill(buffer.begin() + got, buffer.end(), 0);  // short strip: the rest is missing
      }
      continue;
    }
    const std::uint64_t tileRowBits = std::uint64_t{facts_.tileWidth} *
                                      static_cast<std::uint64_t>(samplesPerPlane_) *
                                      static_cast<std::uint64_t>(facts_.bitsPerSample);
    const std::size_t tileRowBytes = static_cast<std::size_t>((tileRowBits + 7) / 8);
    for (std::uint32_t x = 0; x < facts_.width; x += facts_.tileWidth) {
      ++readBlocks_;
      const tmsize_t got = TIFFReadEncodedTile(tif_, TIFFComputeTile(tif_, x, row0, 0, sample), tile_.data(),
                                               static_cast<tmsize_t>(tile_.size()));
      if (got < 0) {
        ++failedBlocks_;
        std::fill(tile_.begin(), tile_.end(), 0);
      }
      const std::size_t offset = static_cast<std::size_t>(
          std::uint64_t{x} * static_cast<std::uint64_t>(samplesPerPlane_ * facts_.bitsPerSample) / 8);
      const std::size_t length = std::min(tileRowBytes, planeRowBytes_ - offset);
      for (std::uint32_t r = 0; r < rows; ++r)
        std::memcpy(buffer.data() + std::size_t{r} * planeRowBytes_ + offset,
                    tile_.data() + std::size_t{r} * tileRowBytes, length);
    }
  }
}

namespace {

// Sample `i` of a row as stored, before any interpretation.
inline std::uint64_t ExtractRaw(const std::uint8_t* row, std::size_t i, int bits) {
  switch (bits) {
    case 1:
      return (row[i >> 3] >> (7 - (i & 7))) & 1u;
    case 2:
      return (row[i >> 2] >> (6 - 2 * (i & 3))) & 3u;
    case 4:
      return (row[i >> 1] >> ((i & 1) ? 0 : 4)) & 15u;
    case 8:
      return row[i];
    case 16:
      return Load<std::uint16_t>(row + 2 * std::size_t{i});
    case 24: {
      const std::uint8_t* p = row + 3 * std::size_t{i};  // libtiff leaves them in host (little-endian) order
      return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
    }
    case 32:
      return Load<std::uint32_t>(row + 4 * std::size_t{i});
    case 64:
      return Load<std::uint64_t>(row + 8 * std::size_t{i});
    default: {
      // Packed most significant bit first, rows starting on a byte: gather the bytes the
      // sample touches, then cut it out.
      const std::uint64_t bit = std::uint64_t{i} * static_cast<std::uint64_t>(bits);
      const std::uint8_t* p = row + (bit >> 3);
      const int skip = static_cast<int>(bit & 7);
      const int bytes = (skip + bits + 7) / 8;
      std::uint64_t window = 0;
      for (int b = 0; b < bytes; ++b) window = (window << 8) | p[b];
      window >>= bytes * 8 - skip - bits;
      return window & ((std::uint64_t{1} << bits) - 1);
    }
  }
}

double Interpret(std::uint64_t raw, int bits, int format) {
  if (format == SAMPLEFORMAT_INT) return static_cast<double>(SignExtend(raw, bits));
  if (format != SAMPLEFORMAT_IEEEFP) return static_cast<double>(raw);
  switch (bits) {
    case 16:
      return HalfToDouble(static_cast<std::uint16_t>(raw));
    case 24:
      return Float24ToDouble(static_cast<std::uint32_t>(raw));
    case 32: {
      const auto narrow = static_cast<std::uint32_t>(raw);
      float f;
      std::memcpy(&f, &narrow, sizeof f);
      return f;
    }
    case 64: {
      double d;
      std::memcpy(&d, &raw, sizeof d);
      return d;
    }
    default:
      return 0;
  }
}

}  // namespace

template <typename Sink>
void TiffSampleRows::Visit(std::uint32_t y, Sink&& sink) {
  const std::uint32_t band = y / bandRows_;
  if (loadedBand_ != band) LoadBand(band);
  const std::size_t offset = std::size_t{y - band * bandRows_} * planeRowBytes_;
  const int bits = facts_.bitsPerSample;
  const auto spp = static_cast<std::size_t>(facts_.samplesPerPixel);
  if (planes_ == 1) {
    const std::uint8_t* row = bands_[0].data() + offset;
    const std::size_t count = std::size_t{facts_.width} * spp;
    for (std::size_t i = 0; i < count; ++i) sink(i, ExtractRaw(row, i, bits));
    return;
  }
  for (std::size_t plane = 0; plane < static_cast<std::size_t>(planes_); ++plane) {
    const std::uint8_t* row = bands_[plane].data() + offset;
    for (std::uint32_t x = 0; x < facts_.width; ++x) sink(x * spp + plane, ExtractRaw(row, x, bits));
  }
}

void TiffSampleRows::ReadRow(std::uint32_t y, std::vector<double>& out) {
  out.resize(std::size_t{facts_.width} * static_cast<std::size_t>(facts_.samplesPerPixel));
  const int bits = facts_.bitsPerSample, format = facts_.sampleFormat;
  Visit(y, [&](std::size_t i, std::uint64_t raw) { out[i] = Interpret(raw, bits, format); });
}

void TiffSampleRows::ReadRawRow(std::uint32_t y, std::vector<std::uint32_t>& out) {
  out.resize(std::size_t{facts_.width} * static_cast<std::size_t>(facts_.samplesPerPixel));
  Visit(y, [&](std::size_t i, std::uint64_t raw) { out[i] = static_cast<std::uint32_t>(raw); });
}

}  // namespace rastrel
