#include "tests/support/odd_tiffs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

namespace rastrel::testing {
namespace {

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

int Silent(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TiffPtr OpenQuiet(const std::string& path, const char* mode) {
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, Silent, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, Silent, nullptr);
  TiffPtr tif(TIFFOpenExt(path.c_str(), mode, options));
  TIFFOpenOptionsFree(options);
  return tif;
}

std::uint16_t FloatToHalf(float value) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  const std::uint32_t sign = (bits >> 16) & 0x8000u;
  const int exponent = static_cast<int>((bits >> 23) & 0xFF) - 127 + 15;
  std::uint32_t mantissa = bits & 0x7FFFFFu;
  if (exponent <= 0) {  // the fixtures only need normal numbers and zero
    return static_cast<std::uint16_t>(sign);
  }
  if (exponent >= 31) return static_cast<std::uint16_t>(sign | 0x7C00u);
  mantissa += 0x1000u;  // round to nearest
  if (mantissa & 0x800000u) return static_cast<std::uint16_t>(sign | ((exponent + 1) << 10));
  return static_cast<std::uint16_t>(sign | (static_cast<std::uint32_t>(exponent) << 10) | (mantissa >> 13));
}

// Upright coordinates of stored pixel (sx, sy) for a page whose stored size is sw x sh.
void StoredToUpright(int orientation, unsigned sx, unsigned sy, unsigned sw, unsigned sh, unsigned& ux,
                     unsigned& uy) {
  switch (orientation) {
    case 2:
      ux = sw - 1 - sx;
      uy = sy;
      break;
    case 3:
      ux = sw - 1 - sx;
      uy = sh - 1 - sy;
      break;
    case 4:
      ux = sx;
      uy = sh - 1 - sy;
      break;
    case 5:
      ux = sy;
      uy = sx;
      break;
    case 6:
      ux = sh - 1 - sy;
      uy = sx;
      break;
    case 7:
      ux = sh - 1 - sy;
      uy = sw - 1 - sx;
      break;
    case 8:
      ux = sy;
      uy = sw - 1 - sx;
      break;
    default:
      ux = sx;
      uy = sy;
      break;
  }
}

bool Transposed(int orientation) { return orientation >= 5 && orientation <= 8; }

// Appends one sample to a row being packed, most significant bit first for sizes that are
// not whole bytes, host byte order otherwise (libtiff swaps when the file wants it).
class RowPacker {
 public:
  RowPacker(std::vector<std::uint8_t>& out, int bits, int format) : out_(out), bits_(bits), format_(format) {}

  void Put(double value) {
    if (format_ == SAMPLEFORMAT_IEEEFP) {
      if (bits_ == 16) return PutBytes(FloatToHalf(static_cast<float>(value)));
      if (bits_ == 32) return PutBytes(static_cast<float>(value));
      return PutBytes(value);
    }
    const auto integer = static_cast<std::int64_t>(std::llround(value));
    const std::uint64_t raw = static_cast<std::uint64_t>(integer) & Mask();
    if (bits_ == 8) return PutBytes(static_cast<std::uint8_t>(raw));
    if (bits_ == 16) return PutBytes(static_cast<std::uint16_t>(raw));
    if (bits_ == 32) return PutBytes(static_cast<std::uint32_t>(raw));
    if (bits_ == 64) return PutBytes(raw);
    if (bits_ == 24) {
      for (int i = 0; i < 3; ++i) out_.push_back(static_cast<std::uint8_t>(raw >> (8 * i)));
      return;
    }
    for (int bit = bits_ - 1; bit >= 0; --bit) {
      if (bitFill_ == 0) out_.push_back(0);
      if ((raw >> bit) & 1u) out_.back() |= static_cast<std::uint8_t>(0x80u >> bitFill_);
      bitFill_ = (bitFill_ + 1) % 8;
    }
  }

  void EndRow() { bitFill_ = 0; }

 private:
  std::uint64_t Mask() const { return bits_ >= 64 ? ~0ull : (1ull << bits_) - 1; }
  template <typename T>
  void PutBytes(T value) {
    std::uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out_.insert(out_.end(), bytes, bytes + sizeof(T));
  }

  std::vector<std::uint8_t>& out_;
  int bits_;
  int format_;
  int bitFill_ = 0;
};

struct StoredLayout {
  unsigned width = 0, height = 0;  // stored
};

StoredLayout LayoutOf(const QuadrantPage& page) {
  if (Transposed(page.orientation)) return {page.height, page.width};
  return {page.width, page.height};
}

int QuadrantAt(const QuadrantPage& page, const StoredLayout& stored, unsigned sx, unsigned sy) {
  unsigned ux = 0, uy = 0;
  StoredToUpright(page.orientation, sx, sy, stored.width, stored.height, ux, uy);
  return (uy >= page.height / 2 ? 2 : 0) + (ux >= page.width / 2 ? 1 : 0);
}

// Packs stored rows [row0, row0 + rows) of columns [col0, col0 + cols) of one plane (-1: all
// channels interleaved). Columns outside the image (tile padding) repeat nothing: zeros.
std::vector<std::uint8_t> PackBlock(const QuadrantPage& page, const StoredLayout& stored, unsigned row0,
                                    unsigned rows, unsigned col0, unsigned cols, int plane) {
  std::vector<std::uint8_t> out;
  RowPacker packer(out, page.bitsPerSample, page.sampleFormat);
  const int first = plane < 0 ? 0 : plane;
  const int last = plane < 0 ? page.samplesPerPixel : plane + 1;
  for (unsigned y = row0; y < row0 + rows; ++y) {
    for (unsigned x = col0; x < col0 + cols; ++x) {
      const bool inside = x < stored.width && y < stored.height;
      const int quadrant = inside ? QuadrantAt(page, stored, x, y) : 0;
      for (int c = first; c < last; ++c) packer.Put(inside ? page.sample(quadrant, c) : 0.0);
    }
    packer.EndRow();
  }
  return out;
}

// 2x2 subsampled YCbCr without compression: data units of four luma and two chroma samples.
std::vector<std::uint8_t> PackYCbCrStrip(const QuadrantPage& page, const StoredLayout& stored, unsigned row0,
                                         unsigned rows) {
  std::vector<std::uint8_t> out;
  for (unsigned y = row0; y < row0 + rows; y += 2) {
    for (unsigned x = 0; x < stored.width; x += 2) {
      for (unsigned dy = 0; dy < 2; ++dy)
        for (unsigned dx = 0; dx < 2; ++dx) {
          const unsigned px = std::min(x + dx, stored.width - 1), py = std::min(y + dy, stored.height - 1);
          out.push_back(
              static_cast<std::uint8_t>(std::lround(page.sample(QuadrantAt(page, stored, px, py), 0))));
        }
      const int quadrant = QuadrantAt(page, stored, x, y);
      out.push_back(static_cast<std::uint8_t>(std::lround(page.sample(quadrant, 1))));
      out.push_back(static_cast<std::uint8_t>(std::lround(page.sample(quadrant, 2))));
    }
  }
  return out;
}

bool WritePage(TIFF* tif, const QuadrantPage& page, int pageIndex, int pageCount) {
  const StoredLayout stored = LayoutOf(page);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, stored.width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, stored.height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, page.bitsPerSample);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, page.samplesPerPixel);
  if (page.photometric >= 0) TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, page.photometric);
  TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, page.sampleFormat);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, page.planar);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, page.compression);
  if (page.predictor != 0) TIFFSetField(tif, TIFFTAG_PREDICTOR, page.predictor);
  if (page.orientation != 0) TIFFSetField(tif, TIFFTAG_ORIENTATION, page.orientation);
  if (!page.extraSamples.empty())
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, static_cast<std::uint16_t>(page.extraSamples.size()),
                 page.extraSamples.data());
  if (pageCount > 1) {
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
    TIFFSetField(tif, TIFFTAG_PAGENUMBER, pageIndex, pageCount);
  }
  if (page.extraTags) page.extraTags(tif);

  const bool subsampledRaw = page.photometric == PHOTOMETRIC_YCBCR && page.compression != COMPRESSION_JPEG;
  const int planes = page.planar == PLANARCONFIG_SEPARATE ? page.samplesPerPixel : 1;
  if (page.tileSize != 0) {
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, page.tileSize);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, page.tileSize);
    for (int plane = 0; plane < planes; ++plane)
      for (unsigned y = 0; y < stored.height; y += page.tileSize)
        for (unsigned x = 0; x < stored.width; x += page.tileSize) {
          auto data = PackBlock(page, stored, y, page.tileSize, x, page.tileSize, planes > 1 ? plane : -1);
          const auto tile = TIFFComputeTile(tif, x, y, 0, static_cast<std::uint16_t>(plane));
          if (TIFFWriteEncodedTile(tif, tile, data.data(), static_cast<tmsize_t>(data.size())) < 0)
            return false;
        }
  } else {
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, page.rowsPerStrip);
    const unsigned stripsPerPlane = (stored.height + page.rowsPerStrip - 1) / page.rowsPerStrip;
    for (int plane = 0; plane < planes; ++plane)
      for (unsigned s = 0; s < stripsPerPlane; ++s) {
        const unsigned strip = static_cast<unsigned>(plane) * stripsPerPlane + s;
        if (std::find(page.emptyStrips.begin(), page.emptyStrips.end(), strip) != page.emptyStrips.end())
          continue;
        const unsigned row0 = s * page.rowsPerStrip;
        const unsigned rows = std::min(page.rowsPerStrip, stored.height - row0);
        auto data = subsampledRaw
                        ? PackYCbCrStrip(page, stored, row0, rows)
                        : PackBlock(page, stored, row0, rows, 0, stored.width, planes > 1 ? plane : -1);
        if (TIFFWriteEncodedStrip(tif, strip, data.data(), static_cast<tmsize_t>(data.size())) < 0)
          return false;
      }
  }
  return TIFFWriteDirectory(tif) != 0;
}

// Points the last directory's next-IFD link at directory `target`.
bool BendLastLink(const std::string& path, int target) {
  std::vector<std::uint64_t> offsets;
  bool big = false;
  {
    TiffPtr tif = OpenQuiet(path, "r");
    if (!tif) return false;
    big = TIFFIsBigTIFF(tif.get()) != 0;
    do offsets.push_back(TIFFCurrentDirOffset(tif.get()));
    while (TIFFReadDirectory(tif.get()));
  }
  if (target < 0 || static_cast<std::size_t>(target) >= offsets.size()) return false;
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekg(static_cast<std::streamoff>(offsets.back()));
  std::uint64_t count = 0;
  file.read(reinterpret_cast<char*>(&count), big ? 8 : 2);  // host order: files are written in it
  const std::uint64_t link = offsets.back() + (big ? 8 + 20 * count : 2 + 12 * count);
  file.seekp(static_cast<std::streamoff>(link));
  const std::uint64_t value = offsets[static_cast<std::size_t>(target)];
  file.write(reinterpret_cast<const char*>(&value), big ? 8 : 4);
  return static_cast<bool>(file);
}

// --- the families -------------------------------------------------------------------------

constexpr std::array<Rgba, 4> kColours = {{{200, 30, 30}, {30, 180, 40}, {40, 50, 190}, {230, 220, 60}}};

std::array<Rgba, 4> Greys(std::array<int, 4> levels) {
  std::array<Rgba, 4> out{};
  for (int i = 0; i < 4; ++i) out[i] = {levels[i], levels[i], levels[i]};
  return out;
}

int Channel(const Rgba& c, int channel) { return channel == 0 ? c.r : channel == 1 ? c.g : c.b; }

// Writes the same colours at any depth and sample format, scaled from 8 bits.
SampleFunction ScaledColours(const std::array<Rgba, 4>& colours, int bits, int format) {
  return [colours, bits, format](int q, int c) {
    const double unit = Channel(colours[static_cast<std::size_t>(q)], c % 3) / 255.0;
    if (format == SAMPLEFORMAT_IEEEFP) return unit;
    const double max = std::ldexp(1.0, bits) - 1;
    if (format == SAMPLEFORMAT_INT) return unit * max - std::ldexp(1.0, bits - 1);
    return unit * max;
  };
}

QuadrantPage Rgb(int bits = 8, int format = SAMPLEFORMAT_UINT) {
  QuadrantPage page;
  page.bitsPerSample = bits;
  page.sampleFormat = format;
  page.sample = ScaledColours(kColours, bits, format);
  return page;
}

QuadrantPage Grey(int bits, std::array<double, 4> raw, int format = SAMPLEFORMAT_UINT) {
  QuadrantPage page;
  page.bitsPerSample = bits;
  page.samplesPerPixel = 1;
  page.photometric = PHOTOMETRIC_MINISBLACK;
  page.sampleFormat = format;
  page.sample = [raw](int q, int) { return raw[static_cast<std::size_t>(q)]; };
  return page;
}

std::function<bool(const std::string&)> Writes(QuadrantPage page) {
  return [page](const std::string& path) { return WriteQuadrantTiff(path, page); };
}

OddTiffFamily Family(std::string name, QuadrantPage page, std::array<Rgba, 4> expected, int tolerance = 2) {
  OddTiffFamily family;
  family.name = std::move(name);
  family.width = page.width;
  family.height = page.height;
  family.orientation = page.orientation == 0 ? 1 : page.orientation;
  family.write = Writes(std::move(page));
  family.quadrants = expected;
  family.tolerance = tolerance;
  return family;
}

// sRGB colour to CIE L*a*b* (D65), the white point libtiff assumes when the file names none.
std::array<double, 3> SrgbToLab(const Rgba& c) {
  auto linear = [](int v) {
    const double s = v / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  const double r = linear(c.r), g = linear(c.g), b = linear(c.b);
  const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
  const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
  const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
  auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; };
  return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

QuadrantPage Lab(int orientation = 0) {
  QuadrantPage page;
  page.photometric = PHOTOMETRIC_CIELAB;
  page.orientation = orientation;
  page.sample = [](int q, int c) {
    const auto lab = SrgbToLab(kColours[static_cast<std::size_t>(q)]);
    if (c == 0) return std::round(lab[0] * 255.0 / 100.0);
    const double v = std::round(lab[static_cast<std::size_t>(c)]);
    return v < 0 ? v + 256 : v;  // signed a* and b* stored in a byte
  };
  return page;
}

// 16-bit CIE L*a*b*: L* over the whole unsigned range, a* and b* signed in 1/256 steps.
// Some writers declare the samples signed; L* is unsigned all the same.
QuadrantPage Lab16(int sampleFormat) {
  QuadrantPage page;
  page.photometric = PHOTOMETRIC_CIELAB;
  page.bitsPerSample = 16;
  page.sampleFormat = sampleFormat;
  page.sample = [](int q, int c) {
    const auto lab = SrgbToLab(kColours[static_cast<std::size_t>(q)]);
    if (c == 0) return std::round(lab[0] * 65535.0 / 100.0);
    return std::round(lab[static_cast<std::size_t>(c)] * 256.0);  // two's complement when stored
  };
  return page;
}

// Colour-fax L*a*b* with the standard's default ranges (L* 0 to 100, a* -85 to 85, b* -75
// to 125). Neutral greys only: their look does not depend on the white point.
QuadrantPage ItuLab(std::array<int, 4> levels) {
  QuadrantPage page;
  page.photometric = PHOTOMETRIC_ITULAB;
  page.sample = [levels](int q, int c) {
    const int level = levels[static_cast<std::size_t>(q)];
    if (c == 0) return std::round(SrgbToLab({level, level, level})[0] * 255.0 / 100.0);
    return std::round(c == 1 ? 85.0 * 255.0 / 170.0 : 75.0 * 255.0 / 200.0);  // a* = b* = 0
  };
  return page;
}

std::array<double, 3> YCbCrOf(const Rgba& c) {
  const double y = 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
  return {y, (c.b - y) / 1.772 + 128, (c.r - y) / 1.402 + 128};
}

// CMYK with K taken out first, so a naive C = 1 - R conversion gives the colours back.
QuadrantPage Cmyk(int bits) {
  QuadrantPage page;
  page.bitsPerSample = bits;
  page.samplesPerPixel = 4;
  page.photometric = PHOTOMETRIC_SEPARATED;
  page.sample = [bits](int q, int c) {
    const Rgba& rgb = kColours[static_cast<std::size_t>(q)];
    const double k = 1.0 - std::max({rgb.r, rgb.g, rgb.b}) / 255.0;
    double v = k;
    if (c < 3) v = (1.0 - Channel(rgb, c) / 255.0 - k) / (1.0 - k);
    return v * (std::ldexp(1.0, bits) - 1);
  };
  return page;
}

constexpr std::array<double, 4> kAlphas = {255, 128, 64, 0};

QuadrantPage WithAlpha(QuadrantPage page, std::uint16_t kind) {
  const int colourChannels = page.samplesPerPixel;
  page.samplesPerPixel += 1;
  page.extraSamples = {kind};
  const double max = std::ldexp(1.0, page.bitsPerSample) - 1;
  auto colour = page.sample;
  page.sample = [colour, colourChannels, kind, max](int q, int c) {
    const double alpha = kAlphas[static_cast<std::size_t>(q)] / 255.0;
    if (c == colourChannels) return alpha * max;
    const double v = colour(q, c);
    return kind == EXTRASAMPLE_ASSOCALPHA ? std::round(v * alpha) : v;
  };
  return page;
}

// Premultiplied colour under zero alpha is lost; it reads back as black.
std::array<Rgba, 4> WithAlphas(std::array<Rgba, 4> colours, bool associated) {
  for (std::size_t i = 0; i < 4; ++i) colours[i].a = static_cast<int>(kAlphas[i]);
  if (associated) colours[3] = {0, 0, 0, 0};
  return colours;
}

QuadrantPage Palette(int bits) {
  QuadrantPage page;
  page.bitsPerSample = bits;
  page.samplesPerPixel = 1;
  page.photometric = PHOTOMETRIC_PALETTE;
  const unsigned entries = 1u << bits;
  // Spread over the palette, so that an index read with the wrong width shows; a 2-bit
  // palette has room for nothing but all four.
  const std::array<unsigned, 4> index =
      entries == 4 ? std::array<unsigned, 4>{0, 1, 2, 3}
                   : std::array<unsigned, 4>{1, entries / 3, entries / 2 + 1, entries - 1};
  page.sample = [index](int q, int) { return index[static_cast<std::size_t>(q)]; };
  page.extraTags = [entries, index](TIFF* tif) {
    std::vector<std::uint16_t> r(entries, 0), g(entries, 0), b(entries, 0);
    for (std::size_t q = 0; q < 4; ++q) {
      r[index[q]] = static_cast<std::uint16_t>(kColours[q].r * 257);
      g[index[q]] = static_cast<std::uint16_t>(kColours[q].g * 257);
      b[index[q]] = static_cast<std::uint16_t>(kColours[q].b * 257);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, r.data(), g.data(), b.data());
  };
  return page;
}

std::vector<OddTiffFamily> BuildFamilies() {
  std::vector<OddTiffFamily> out;
  auto add = [&out](OddTiffFamily family) { out.push_back(std::move(family)); };

  add(Family("rgb 8-bit strips", Rgb(), kColours));
  {
    auto page = Rgb();
    page.compression = COMPRESSION_LZW;
    page.predictor = PREDICTOR_HORIZONTAL;
    add(Family("rgb 8-bit lzw predictor", page, kColours));
  }
  add(Family("rgb 16-bit", Rgb(16), kColours));
  {
    auto page = Rgb(16);
    page.compression = COMPRESSION_ADOBE_DEFLATE;
    page.predictor = PREDICTOR_HORIZONTAL;
    add(Family("rgb 16-bit deflate predictor", page, kColours));
  }
  add(Family("rgb 10-bit", Rgb(10), kColours));
  add(Family("rgb 5-bit", Rgb(5), kColours, 5));
  add(Family("rgb 24-bit", Rgb(24), kColours));
  add(Family("rgb 32-bit", Rgb(32), kColours));
  add(Family("rgb float32", Rgb(32, SAMPLEFORMAT_IEEEFP), kColours));
  add(Family("rgb float16", Rgb(16, SAMPLEFORMAT_IEEEFP), kColours));
  add(Family("rgb float64", Rgb(64, SAMPLEFORMAT_IEEEFP), kColours));
  add(Family("rgb signed 16-bit", Rgb(16, SAMPLEFORMAT_INT), kColours));
  {
    auto page = Rgb(32, SAMPLEFORMAT_IEEEFP);
    page.compression = COMPRESSION_ADOBE_DEFLATE;
    page.predictor = PREDICTOR_FLOATINGPOINT;
    add(Family("rgb float32 deflate float predictor", page, kColours));
  }
  {
    auto page = Rgb();
    page.planar = PLANARCONFIG_SEPARATE;
    add(Family("rgb 8-bit planar", page, kColours));
    page = Rgb(16);
    page.planar = PLANARCONFIG_SEPARATE;
    add(Family("rgb 16-bit planar", page, kColours));
    page = WithAlpha(Rgb(), EXTRASAMPLE_UNASSALPHA);
    page.planar = PLANARCONFIG_SEPARATE;
    add(Family("rgba 8-bit planar", page, kColours));
  }
  {
    auto page = Rgb();
    page.width = 40;  // partial tiles on the right and at the bottom
    page.tileSize = 16;
    add(Family("rgb 8-bit tiled", page, kColours));
    page = Rgb(16);
    page.tileSize = 16;
    page.planar = PLANARCONFIG_SEPARATE;
    add(Family("rgb 16-bit tiled planar", page, kColours));
  }

  add(Family(
      "grey 1-bit min-is-white",
      [] {
        auto page = Grey(1, {1, 0, 0, 1});
        page.photometric = PHOTOMETRIC_MINISWHITE;
        return page;
      }(),
      Greys({0, 255, 255, 0})));
  add(Family("grey 2-bit", Grey(2, {0, 1, 2, 3}), Greys({0, 85, 170, 255})));
  add(Family("grey 4-bit", Grey(4, {1, 5, 10, 15}), Greys({17, 85, 170, 255})));
  add(Family("grey 6-bit", Grey(6, {0, 21, 42, 63}), Greys({0, 85, 170, 255})));
  add(Family(
      "grey 8-bit min-is-white",
      [] {
        auto page = Grey(8, {0, 85, 170, 255});
        page.photometric = PHOTOMETRIC_MINISWHITE;
        return page;
      }(),
      Greys({255, 170, 85, 0})));
  add(Family("grey 12-bit", Grey(12, {100, 1000, 2500, 4095}), Greys({6, 62, 156, 255})));
  add(Family("grey 14-bit", Grey(14, {0, 5461, 10922, 16383}), Greys({0, 85, 170, 255})));
  add(Family("grey 16-bit", Grey(16, {0, 21845, 43690, 65535}), Greys({0, 85, 170, 255})));
  add(Family("grey 16-bit narrow range", Grey(16, {1000, 2000, 3000, 4000}), Greys({4, 8, 12, 16})));
  add(Family("grey 24-bit", Grey(24, {0, 5592405, 11184810, 16777215}), Greys({0, 85, 170, 255})));
  add(Family("grey 32-bit", Grey(32, {0, 1431655765, 2863311530, 4294967295}), Greys({0, 85, 170, 255})));
  // Measurements far from the ends of their type (counts, elevations) are shown over their
  // own range, or they would be one flat grey.
  add(Family("grey 32-bit counts", Grey(32, {0, 100, 200, 300}), Greys({0, 85, 170, 255})));
  add(Family("grey signed 16-bit elevations", Grey(16, {-100, 400, 900, 1400}, SAMPLEFORMAT_INT),
             Greys({0, 85, 170, 255})));
  add(Family("grey 32-bit holding 8-bit values", Grey(32, {10, 85, 170, 240}), Greys({10, 85, 170, 240})));
  add(Family("grey signed 16-bit", Grey(16, {-32768, -10000, 10000, 32767}, SAMPLEFORMAT_INT),
             Greys({0, 88, 167, 255})));
  add(Family("grey float32", Grey(32, {0.0, 0.25, 0.5, 1.0}, SAMPLEFORMAT_IEEEFP), Greys({0, 64, 128, 255})));
  add(Family("grey float16", Grey(16, {0.0, 0.25, 0.5, 1.0}, SAMPLEFORMAT_IEEEFP), Greys({0, 64, 128, 255})));
  add(Family("grey float64", Grey(64, {0.0, 0.25, 0.5, 1.0}, SAMPLEFORMAT_IEEEFP), Greys({0, 64, 128, 255})));
  {
    auto page = Grey(32, {0.0, 0.25, 0.5, 1.0}, SAMPLEFORMAT_IEEEFP);
    page.width = 48;
    page.tileSize = 16;
    add(Family("grey float32 tiled", page, Greys({0, 64, 128, 255})));
  }
  {
    auto page = Grey(8, {0, 85, 170, 255});
    page.samplesPerPixel = 2;
    page.extraSamples = {EXTRASAMPLE_UNSPECIFIED};
    add(Family("grey 8-bit extra channel", page, Greys({0, 85, 170, 255})));
    page = Rgb();
    page.samplesPerPixel = 5;
    page.extraSamples = {EXTRASAMPLE_UNSPECIFIED, EXTRASAMPLE_UNSPECIFIED};
    add(Family("rgb 8-bit two extra channels", page, kColours));
  }
  {
    auto page = Grey(8, {0, 85, 170, 255});
    page.photometric = -1;
    add(Family("no photometric, one sample", page, Greys({0, 85, 170, 255})));
    page = Rgb();
    page.photometric = -1;
    add(Family("no photometric, three samples", page, kColours));
  }

  add(Family("cielab 8-bit", Lab(), kColours, 10));
  add(Family("cielab 16-bit", Lab16(SAMPLEFORMAT_UINT), kColours, 10));
  add(Family("cielab 16-bit declared signed", Lab16(SAMPLEFORMAT_INT), kColours, 10));
  add(Family("itulab 8-bit greys", ItuLab({0, 60, 150, 255}), Greys({0, 60, 150, 255}), 6));
  {
    QuadrantPage page;
    page.bitsPerSample = 32;
    page.sampleFormat = SAMPLEFORMAT_IEEEFP;
    page.photometric = PHOTOMETRIC_LOGLUV;
    page.compression = COMPRESSION_SGILOG;
    // Neutral XYZ (D65 white) at luminances 0, 1/16, 1/4 and 1; sRGB shows them as 0, 71, 137, 255.
    page.sample = [](int q, int c) {
      const double y = std::array<double, 4>{0.0, 1.0 / 16, 0.25, 1.0}[static_cast<std::size_t>(q)];
      return y * std::array<double, 3>{0.9505, 1.0, 1.089}[static_cast<std::size_t>(c)];
    };
    page.extraTags = [](TIFF* tif) { TIFFSetField(tif, TIFFTAG_SGILOGDATAFMT, SGILOGDATAFMT_FLOAT); };
    add(Family("logluv", page, Greys({0, 71, 137, 255}), 4));
  }
  add(Family("cmyk 8-bit", Cmyk(8), kColours));
  add(Family("cmyk 16-bit", Cmyk(16), kColours));
  {
    auto page = Cmyk(8);
    page.planar = PLANARCONFIG_SEPARATE;
    add(Family("cmyk 8-bit planar", page, kColours));
  }
  {
    auto family = Family("rgba 8-bit associated alpha", WithAlpha(Rgb(), EXTRASAMPLE_ASSOCALPHA),
                         WithAlphas(kColours, true), 3);
    family.checkAlpha = true;
    add(family);
    family = Family("rgba 8-bit unassociated alpha", WithAlpha(Rgb(), EXTRASAMPLE_UNASSALPHA),
                    WithAlphas(kColours, false));
    family.checkAlpha = true;
    add(family);
    family = Family("rgba 16-bit associated alpha", WithAlpha(Rgb(16), EXTRASAMPLE_ASSOCALPHA),
                    WithAlphas(kColours, true), 3);
    family.checkAlpha = true;
    add(family);
    family =
        Family("grey+alpha 8-bit associated", WithAlpha(Grey(8, {0, 85, 170, 255}), EXTRASAMPLE_ASSOCALPHA),
               WithAlphas(Greys({0, 85, 170, 255}), true), 3);
    family.checkAlpha = true;
    add(family);
  }
  add(Family("palette 2-bit", Palette(2), kColours));
  add(Family("palette 4-bit", Palette(4), kColours));
  add(Family("palette 8-bit", Palette(8), kColours));
  add(Family("palette 16-bit", Palette(16), kColours));
  {
    QuadrantPage page;
    page.photometric = PHOTOMETRIC_YCBCR;
    page.compression = COMPRESSION_JPEG;
    page.rowsPerStrip = 16;
    page.width = 64;
    page.height = 48;
    page.sample = [](int q, int c) { return Channel(kColours[static_cast<std::size_t>(q)], c); };
    page.extraTags = [](TIFF* tif) {
      TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 90);
      TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, 2, 2);
      TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    };
    add(Family("ycbcr jpeg 4:2:0", page, kColours, 12));
    // libtiff's RGBA interface, which FreeImage uses for YCbCr, flips for some orientations.
    page.orientation = 6;
    add(Family("ycbcr jpeg 4:2:0 orientation 6", page, kColours, 12));
  }
  {
    QuadrantPage page;
    page.photometric = PHOTOMETRIC_YCBCR;
    page.rowsPerStrip = 8;
    page.sample = [](int q, int c) {
      return std::round(YCbCrOf(kColours[static_cast<std::size_t>(q)])[static_cast<std::size_t>(c)]);
    };
    page.extraTags = [](TIFF* tif) { TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, 2, 2); };
    add(Family("ycbcr raw 4:2:0", page, kColours, 4));
    page.orientation = 3;
    add(Family("ycbcr raw 4:2:0 orientation 3", page, kColours, 4));
  }
  {
    auto family = Family("bigtiff", Rgb(), kColours);
    family.write = [](const std::string& path) { return WriteQuadrantTiff(path, {Rgb()}, true); };
    add(family);
  }
  {
    auto page = Rgb();
    page.rowsPerStrip = 4;
    page.emptyStrips = {5};  // rows 20 to 23; quadrant centres sit on rows 6 and 18
    add(Family("zero-length strip", page, kColours));
  }
  {
    auto page = Rgb();
    page.width = page.height = 1;
    page.sample = [](int, int c) { return Channel(kColours[1], c); };
    add(Family("1x1 page", page, {kColours[1], kColours[1], kColours[1], kColours[1]}));
  }
  {
    // Three pages whose colours differ, the last linking back to the first.
    auto pageWith = [](int shift) {
      auto page = Rgb();
      page.sample = [shift](int q, int c) {
        return Channel(kColours[static_cast<std::size_t>((q + shift) % 4)], c);
      };
      return page;
    };
    OddTiffFamily family;
    family.name = "three pages, ifd loop";
    family.write = [pageWith](const std::string& path) {
      return WriteQuadrantTiff(path, {pageWith(0), pageWith(1), pageWith(2)}, false, 0);
    };
    family.quadrants = {kColours[2], kColours[3], kColours[0], kColours[1]};
    family.page = 2;
    family.pageCount = 3;
    add(family);
  }
  {
    auto page = Rgb(16);
    OddTiffFamily family = Family("rgb 16-bit big-endian", page, kColours);
    family.write = [page](const std::string& path) {
      // 'b' asks libtiff for a big-endian file; samples are still handed over in host order.
      TiffPtr tif = OpenQuiet(path, "wb");
      return tif && WritePage(tif.get(), page, 0, 1);
    };
    add(family);
    auto grey = Grey(12, {100, 1000, 2500, 4095});
    family = Family("grey 12-bit big-endian", grey, Greys({6, 62, 156, 255}));
    family.write = [grey](const std::string& path) {
      TiffPtr tif = OpenQuiet(path, "wb");
      return tif && WritePage(tif.get(), grey, 0, 1);
    };
    add(family);
  }
  for (int orientation = 1; orientation <= 8; ++orientation) {
    auto page = Rgb();
    page.orientation = orientation;
    add(Family("rgb 8-bit orientation " + std::to_string(orientation), page, kColours));
  }
  for (int orientation = 1; orientation <= 8; ++orientation)
    add(Family("cielab orientation " + std::to_string(orientation), Lab(orientation), kColours, 10));
  for (int orientation : {3, 6}) {
    auto page = Palette(4);
    page.orientation = orientation;
    add(Family("palette 4-bit orientation " + std::to_string(orientation), page, kColours));
  }
  for (int orientation : {3, 6}) {
    auto page = Grey(4, {1, 5, 10, 15});
    page.orientation = orientation;
    add(Family("grey 4-bit orientation " + std::to_string(orientation), page, Greys({17, 85, 170, 255})));
  }
  return out;
}

}  // namespace

bool WriteQuadrantTiff(const std::string& path, const std::vector<QuadrantPage>& pages, bool bigTiff,
                       int loopToPage) {
  {
    TiffPtr tif = OpenQuiet(path, bigTiff ? "w8" : "w");
    if (!tif) return false;
    const int count = static_cast<int>(pages.size());
    for (int i = 0; i < count; ++i)
      if (!WritePage(tif.get(), pages[static_cast<std::size_t>(i)], i, count)) return false;
  }
  return loopToPage < 0 || BendLastLink(path, loopToPage);
}

bool WriteQuadrantTiff(const std::string& path, const QuadrantPage& page) {
  return WriteQuadrantTiff(path, std::vector<QuadrantPage>{page});
}

const std::vector<OddTiffFamily>& OddTiffFamilies() {
  static const std::vector<OddTiffFamily> families = BuildFamilies();
  return families;
}

Rgba PixelAt(FIBITMAP* image, unsigned x, unsigned y) {
  const unsigned bpp = FreeImage_GetBPP(image);
  const BYTE* line = FreeImage_GetScanLine(image, static_cast<int>(FreeImage_GetHeight(image) - 1 - y));
  if (bpp == 24 || bpp == 32) {
    const BYTE* p = line + x * (bpp / 8);
    return {p[FI_RGBA_RED], p[FI_RGBA_GREEN], p[FI_RGBA_BLUE], bpp == 32 ? p[FI_RGBA_ALPHA] : 255};
  }
  unsigned index = 0;
  if (bpp == 8)
    index = line[x];
  else if (bpp == 4)
    index = (line[x / 2] >> ((x % 2) ? 0 : 4)) & 0x0F;
  else if (bpp == 1)
    index = (line[x / 8] >> (7 - x % 8)) & 1;
  else
    return {-1, -1, -1, -1};
  const RGBQUAD* palette = FreeImage_GetPalette(image);
  if (palette == nullptr) return {-1, -1, -1, -1};
  return {palette[index].rgbRed, palette[index].rgbGreen, palette[index].rgbBlue, 255};
}

std::string ToString(const Rgba& c) {
  char text[64];
  std::snprintf(text, sizeof text, "(%d,%d,%d,%d)", c.r, c.g, c.b, c.a);
  return text;
}

std::string CompareQuadrants(FIBITMAP* image, const OddTiffFamily& family) {
  if (image == nullptr) return "no image";
  const unsigned w = FreeImage_GetWidth(image), h = FreeImage_GetHeight(image);
  if (w != family.width || h != family.height)
    return "size " + std::to_string(w) + "x" + std::to_string(h) + ", expected " +
           std::to_string(family.width) + "x" + std::to_string(family.height);
  if (FreeImage_GetImageType(image) != FIT_BITMAP)
    return "image type " + std::to_string(FreeImage_GetImageType(image));
  std::string out;
  for (int q = 0; q < 4; ++q) {
    const unsigned x = (q % 2 == 0) ? w / 4 : (3 * w) / 4;
    const unsigned y = (q < 2) ? h / 4 : (3 * h) / 4;
    const Rgba got = PixelAt(image, x, y);
    const Rgba& want = family.quadrants[static_cast<std::size_t>(q)];
    const int tol = family.tolerance;
    bool ok =
        std::abs(got.r - want.r) <= tol && std::abs(got.g - want.g) <= tol && std::abs(got.b - want.b) <= tol;
    if (family.checkAlpha) ok = ok && std::abs(got.a - want.a) <= tol;
    if (!ok)
      out += "quadrant " + std::to_string(q) + " " + ToString(got) + " expected " + ToString(want) + "; ";
  }
  return out;
}

}  // namespace rastrel::testing
