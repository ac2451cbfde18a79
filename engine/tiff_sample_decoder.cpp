#include "engine/tiff_sample_decoder.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/tiff_colour.h"
#include "engine/tiff_sample_rows.h"

namespace rastrel {
namespace {

enum class Model { Grey, Rgb, Palette, Cmyk, CieLab, IccLab, ItuLab, Xyz, Luminance };

struct Plan {
  Model model = Model::Grey;
  int colourChannels = 1;  // channels the model reads
  int alphaChannel = -1;   // sample index of the alpha channel, -1 without
  bool associated = false;
  bool invert = false;            // min-is-white
  std::vector<double> low, high;  // per sample: the values shown as 0 and as full intensity
  std::vector<double> scale;      // 1 / (high - low)
  std::array<std::vector<std::uint8_t>, 3> palette;
  Triple white = D65White();
  // ITU L*a*b* (colour fax): the L*, a* and b* shown by the lowest and highest stored
  // values, from the Decode tag or the fax standard's defaults.
  std::array<double, 6> ituRange = {0, 100, -85, 85, -75, 125};
};

bool ModelFor(const TiffPageFacts& facts, Model& model, int& channels) {
  switch (facts.photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
      model = Model::Grey;
      channels = 1;
      return true;
    case PHOTOMETRIC_RGB:
      model = Model::Rgb;
      channels = 3;
      return true;
    case PHOTOMETRIC_PALETTE:
      model = Model::Palette;
      channels = 1;
      return true;
    case PHOTOMETRIC_SEPARATED:
      model = Model::Cmyk;
      channels = std::min(4, facts.ColourChannels());
      return true;
    case PHOTOMETRIC_CIELAB:
      model = Model::CieLab;
      channels = 3;
      return true;
    case PHOTOMETRIC_ICCLAB:
      model = Model::IccLab;
      channels = 3;
      return true;
    case PHOTOMETRIC_ITULAB:
      model = Model::ItuLab;
      channels = 3;
      return true;
    case PHOTOMETRIC_LOGLUV:
      model = Model::Xyz;
      channels = 3;
      return true;
    case PHOTOMETRIC_LOGL:
      model = Model::Luminance;
      channels = 1;
      return true;
    default:
      return false;
  }
}

bool IsGreyOutput(Model model) { return model == Model::Grey || model == Model::Luminance; }

bool HasSampleRange(TIFF* tif) {
  double smin = 0, smax = 0;
  return TIFFGetField(tif, TIFFTAG_SMINSAMPLEVALUE, &smin) &&
         TIFFGetField(tif, TIFFTAG_SMAXSAMPLEVALUE, &smax) && smax > smin;
}

// The stored values that mean black and full intensity for integer samples.
void IntegerRange(const TiffPageFacts& facts, TIFF* tif, double& low, double& high) {
  const int bits = facts.bitsPerSample;
  if (facts.sampleFormat == SAMPLEFORMAT_INT) {
    low = -std::ldexp(1.0, bits - 1);
    high = std::ldexp(1.0, bits - 1) - 1;
    double smin = 0, smax = 0;
    if (TIFFGetField(tif, TIFFTAG_SMINSAMPLEVALUE, &smin) &&
        TIFFGetField(tif, TIFFTAG_SMAXSAMPLEVALUE, &smax) && smax > smin) {
      low = smin;
      high = smax;
    }
    return;
  }
  low = 0;
  high = std::ldexp(1.0, bits) - 1;
}

// Floating-point pages carry no fixed range: SMin/SMaxSampleValue when the file gives them,
// else 0 to 1 when the data stays inside it (the usual convention), else the data's own range.
// Signed and 32-bit integer pages get the same, with their own conventions instead of
// 0 to 1: values within 0 to 255 are 8-bit greys, values reaching the upper half of the type
// are greys scaled to it, and anything else (elevations, counts, measurements, which rarely
// come near the ends of their type and spread over it would show as one flat grey) is shown
// over its own range.
bool DataRange(TIFF* tif, const TiffPageFacts& facts, const Plan& plan, std::uint64_t maxBlockBytes,
               std::vector<std::string>& diagnostics, double& low, double& high) {
  double smin = 0, smax = 0;
  if (TIFFGetField(tif, TIFFTAG_SMINSAMPLEVALUE, &smin) &&
      TIFFGetField(tif, TIFFTAG_SMAXSAMPLEVALUE, &smax) && smax > smin && std::isfinite(smin) &&
      std::isfinite(smax)) {
    low = smin;
    high = smax;
    return true;
  }
  TiffSampleRows rows(tif, facts, maxBlockBytes, diagnostics);
  if (!rows.ok()) return false;
  double seenLow = std::numeric_limits<double>::infinity(), seenHigh = -seenLow;
  std::vector<double> row;
  const auto spp = static_cast<std::size_t>(facts.samplesPerPixel);
  for (std::uint32_t y = 0; y < facts.height; ++y) {
    rows.ReadRow(y, row);
    for (std::size_t i = 0; i < row.size(); i += spp)
      for (std::size_t c = 0; c < static_cast<std::size_t>(plan.colourChannels); ++c)
        if (std::isfinite(row[i + c])) {
          seenLow = std::min(seenLow, row[i + c]);
          seenHigh = std::max(seenHigh, row[i + c]);
        }
  }
  if (!(seenHigh >= seenLow)) {  // nothing finite at all
    low = 0;
    high = 1;
  } else if (facts.sampleFormat == SAMPLEFORMAT_IEEEFP && seenLow >= 0.0 && seenHigh <= 1.0 + 1e-3) {
    low = 0;
    high = 1;
  } else if (facts.sampleFormat != SAMPLEFORMAT_IEEEFP && seenLow >= 0.0 && seenHigh <= 255.0) {
    // 8-bit greys cast to a wider type, as imaging libraries write them.
    low = 0;
    high = 255;
  } else if (facts.sampleFormat != SAMPLEFORMAT_IEEEFP &&
             seenHigh >=
                 std::ldexp(1.0, facts.bitsPerSample - (facts.sampleFormat == SAMPLEFORMAT_INT ? 2 : 1))) {
    // Reaching into the upper half of its type: greys scaled to the type's own range.
    IntegerRange(facts, tif, low, high);
  } else {
    low = seenLow;
    high = seenHigh > seenLow ? seenHigh : seenLow + 1;
  }
  return true;
}

bool LoadPalette(TIFF* tif, const TiffPageFacts& facts, Plan& plan, std::vector<std::string>& diagnostics) {
  if (facts.bitsPerSample > 16 || facts.sampleFormat == SAMPLEFORMAT_IEEEFP) {
    diagnostics.push_back("TIFF palette page has " + std::to_string(facts.bitsPerSample) + "-bit indexes");
    return false;
  }
  std::uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue) {
    diagnostics.push_back("TIFF palette page has no colour map");
    return false;
  }
  const std::size_t entries = std::size_t{1} << facts.bitsPerSample;
  // Some writers store 8-bit values in the 16-bit map; libtiff's own reader accepts them too.
  bool eightBit = true;
  for (std::size_t i = 0; i < entries && eightBit; ++i)
    eightBit = red[i] < 256 && green[i] < 256 && blue[i] < 256;
  const std::uint16_t* maps[3] = {red, green, blue};
  for (std::size_t c = 0; c < 3; ++c) {
    plan.palette[c].resize(entries);
    for (std::size_t i = 0; i < entries; ++i)
      plan.palette[c][i] = static_cast<std::uint8_t>(eightBit ? maps[c][i] : (maps[c][i] + 128) / 257);
  }
  return true;
}

double Signed(double value, int bits) {
  const double half = std::ldexp(1.0, bits - 1);
  return value >= half ? value - 2 * half : value;
}

Triple LabOf(const Plan& plan, const TiffPageFacts& facts, const double* px) {
  if (facts.sampleFormat == SAMPLEFORMAT_IEEEFP) return {px[0], px[1], px[2]};
  const int bits = facts.bitsPerSample;
  const double full = std::ldexp(1.0, bits) - 1;
  const double scale = bits > 8 ? 256.0 : 1.0;  // a* and b* steps per unit
  // Whatever the Sample Format tag says, L* (and every channel of the offset encodings) is
  // stored unsigned; writers that declare Lab signed would otherwise turn light areas black.
  const auto stored = [range = full + 1](double value) { return value < 0 ? value + range : value; };
  const double lightness = stored(px[0]) * 100.0 / full;
  if (plan.model == Model::IccLab)
    return {lightness, stored(px[1]) / scale - 128.0, stored(px[2]) / scale - 128.0};
  if (plan.model == Model::ItuLab) {
    const auto& r = plan.ituRange;
    return {r[0] + stored(px[0]) * (r[1] - r[0]) / full, r[2] + stored(px[1]) * (r[3] - r[2]) / full,
            r[4] + stored(px[2]) * (r[5] - r[4]) / full};
  }
  return {lightness, Signed(px[1], bits) / scale, Signed(px[2], bits) / scale};
}

std::uint8_t ToByte(double unit) {
  if (!(unit > 0.0)) return 0;
  if (unit >= 1.0) return 255;
  return static_cast<std::uint8_t>(unit * 255.0 + 0.5);
}

double Normalised(const Plan& plan, std::size_t channel, double value) {
  const double unit = (value - plan.low[channel]) * plan.scale[channel];
  return std::isfinite(unit) ? std::clamp(unit, 0.0, 1.0) : 0.0;
}

// One pixel to straight RGBA fractions.
void ConvertPixel(const Plan& plan, const TiffPageFacts& facts, const double* px, Triple& rgb,
                  double& alpha) {
  alpha = plan.alphaChannel >= 0
              ? Normalised(plan, static_cast<std::size_t>(plan.alphaChannel), px[plan.alphaChannel])
              : 1.0;
  switch (plan.model) {
    case Model::Grey: {
      double v = Normalised(plan, 0, px[0]);
      if (plan.invert) v = 1.0 - v;
      rgb = {v, v, v};
      break;
    }
    case Model::Rgb:
      rgb = {Normalised(plan, 0, px[0]), Normalised(plan, 1, px[1]), Normalised(plan, 2, px[2])};
      break;
    case Model::Palette: {
      const auto last = static_cast<double>(plan.palette[0].size() - 1);
      const auto index = static_cast<std::size_t>(std::clamp(std::isfinite(px[0]) ? px[0] : 0.0, 0.0, last));
      rgb = {plan.palette[0][index] / 255.0, plan.palette[1][index] / 255.0, plan.palette[2][index] / 255.0};
      return;  // palette colours are final
    }
    case Model::Cmyk: {
      double ink[4] = {0, 0, 0, 0};
      for (int c = 0; c < plan.colourChannels; ++c)
        ink[c] = Normalised(plan, static_cast<std::size_t>(c), px[c]);
      if (plan.colourChannels == 1) std::swap(ink[0], ink[3]);  // a single ink is black
      rgb = CmykToRgb(ink[0], ink[1], ink[2], ink[3]);
      return;
    }
    case Model::CieLab:
    case Model::IccLab:
    case Model::ItuLab:
      rgb = LabToSrgb(LabOf(plan, facts, px), plan.white);
      return;
    case Model::Xyz:
      rgb = XyzToSrgb({px[0], px[1], px[2]});
      return;
    case Model::Luminance: {
      const double v = EncodeSrgb(px[0]);
      rgb = {v, v, v};
      return;
    }
  }
  if (plan.associated && alpha > 0.0) {
    for (double& c : rgb) c = std::min(1.0, c / alpha);
  } else if (plan.associated) {
    rgb = {0, 0, 0};
  }
}

// Greyscale and RGB integers of up to 16 bits: every stored value maps to one byte, so a
// table does the whole conversion (scans and faxes take this path).
bool UsesLookup(const Plan& plan, const TiffPageFacts& facts) {
  return (plan.model == Model::Grey || plan.model == Model::Rgb) && facts.bitsPerSample <= 16 &&
         facts.sampleFormat != SAMPLEFORMAT_IEEEFP;
}

std::uint8_t Unpremultiplied(unsigned colour, unsigned alpha) {
  if (alpha == 0) return 0;
  return static_cast<std::uint8_t>(std::min(255u, (colour * 255 + alpha / 2) / alpha));
}

void FillByLookup(TiffSampleRows& rows, const Plan& plan, const TiffPageFacts& facts, FIBITMAP* image,
                  unsigned bytesPerPixel) {
  const std::size_t entries = std::size_t{1} << facts.bitsPerSample;
  std::vector<std::uint8_t> level(entries), colour(entries);
  for (std::size_t raw = 0; raw < entries; ++raw) {
    double value = static_cast<double>(raw);
    if (facts.sampleFormat == SAMPLEFORMAT_INT) value = Signed(value, facts.bitsPerSample);
    const double unit = Normalised(plan, 0, value);
    level[raw] = ToByte(unit);
    colour[raw] = ToByte(plan.invert ? 1.0 - unit : unit);
  }
  const auto spp = static_cast<std::size_t>(facts.samplesPerPixel);
  const bool rgb = plan.model == Model::Rgb;
  const int alphaChannel = plan.alphaChannel;
  std::vector<std::uint32_t> row;
  for (std::uint32_t y = 0; y < facts.height; ++y) {
    rows.ReadRawRow(y, row);
    BYTE* line = FreeImage_GetScanLine(image, static_cast<int>(facts.height - 1 - y));
    const std::uint32_t* px = row.data();
    for (std::uint32_t x = 0; x < facts.width; ++x, px += spp) {
      if (bytesPerPixel == 1) {
        line[x] = colour[px[0]];
        continue;
      }
      unsigned r = colour[px[0]], g = r, b = r;
      if (rgb) {
        g = colour[px[1]];
        b = colour[px[2]];
      }
      BYTE* p = line + std::size_t{x} * bytesPerPixel;
      if (bytesPerPixel == 4) {
        const unsigned a = level[px[alphaChannel]];
        if (plan.associated) {
          r = Unpremultiplied(r, a);
          g = Unpremultiplied(g, a);
          b = Unpremultiplied(b, a);
        }
        p[FI_RGBA_ALPHA] = static_cast<BYTE>(a);
      }
      p[FI_RGBA_RED] = static_cast<BYTE>(r);
      p[FI_RGBA_GREEN] = static_cast<BYTE>(g);
      p[FI_RGBA_BLUE] = static_cast<BYTE>(b);
    }
  }
}

void FillByConversion(TiffSampleRows& rows, const Plan& plan, const TiffPageFacts& facts, FIBITMAP* image,
                      unsigned bytesPerPixel) {
  const auto spp = static_cast<std::size_t>(facts.samplesPerPixel);
  const bool grey = bytesPerPixel == 1;
  std::vector<double> row;
  for (std::uint32_t y = 0; y < facts.height; ++y) {
    rows.ReadRow(y, row);
    BYTE* line = FreeImage_GetScanLine(image, static_cast<int>(facts.height - 1 - y));
    for (std::uint32_t x = 0; x < facts.width; ++x) {
      Triple rgb{};
      double alpha = 1.0;
      ConvertPixel(plan, facts, row.data() + std::size_t{x} * spp, rgb, alpha);
      if (grey) {
        line[x] = ToByte(rgb[0]);
        continue;
      }
      BYTE* p = line + std::size_t{x} * bytesPerPixel;
      p[FI_RGBA_RED] = ToByte(rgb[0]);
      p[FI_RGBA_GREEN] = ToByte(rgb[1]);
      p[FI_RGBA_BLUE] = ToByte(rgb[2]);
      if (bytesPerPixel == 4) p[FI_RGBA_ALPHA] = ToByte(alpha);
    }
  }
}

}  // namespace

bool CanDecodeTiffSamples(const TiffPageFacts& facts) {
  Model model;
  int channels = 0;
  if (facts.compression == COMPRESSION_OJPEG) return false;
  if (!ModelFor(facts, model, channels)) return false;
  if (facts.sampleFormat == SAMPLEFORMAT_COMPLEXINT || facts.sampleFormat == SAMPLEFORMAT_COMPLEXIEEEFP)
    return false;
  return facts.ColourChannels() >= std::max(channels, 1);
}

Bitmap DecodeTiffSamples(TIFF* tif, const TiffPageFacts& facts, std::uint64_t maxBlockBytes,
                         std::vector<std::string>& diagnostics) {
  Plan plan;
  if (!ModelFor(facts, plan.model, plan.colourChannels) || facts.ColourChannels() < plan.colourChannels) {
    diagnostics.push_back("TIFF page has too few samples for its colour space");
    return {};
  }
  plan.invert = facts.photometric == PHOTOMETRIC_MINISWHITE;
  for (std::size_t i = 0; i < facts.extraSamples.size(); ++i) {
    const auto kind = facts.extraSamples[i];
    if (kind == EXTRASAMPLE_ASSOCALPHA || kind == EXTRASAMPLE_UNASSALPHA) {
      plan.alphaChannel = facts.ColourChannels() + static_cast<int>(i);
      plan.associated = kind == EXTRASAMPLE_ASSOCALPHA;
      break;
    }
  }
  if (plan.model == Model::Palette && !LoadPalette(tif, facts, plan, diagnostics)) return {};
  if (plan.model == Model::ItuLab) {
    // The fax standard's white is D50 unless the file says otherwise.
    plan.white = WhiteFromChromaticity(0.3457, 0.3585);
    std::uint16_t count = 0;
    float* decode = nullptr;
    if (TIFFGetField(tif, TIFFTAG_DECODE, &count, &decode) && count == 6 && decode != nullptr &&
        decode[1] > decode[0] && decode[3] > decode[2] && decode[5] > decode[4]) {
      for (std::size_t i = 0; i < 6; ++i) plan.ituRange[i] = decode[i];
    }
  }
  if (plan.model == Model::CieLab || plan.model == Model::IccLab || plan.model == Model::ItuLab) {
    float* chromaticity = nullptr;
    if (TIFFGetField(tif, TIFFTAG_WHITEPOINT, &chromaticity) && chromaticity != nullptr)
      plan.white = WhiteFromChromaticity(chromaticity[0], chromaticity[1]);
  }

  const auto spp = static_cast<std::size_t>(facts.samplesPerPixel);
  plan.low.assign(spp, 0.0);
  plan.high.assign(spp, 1.0);
  const bool needsRange = plan.model == Model::Grey || plan.model == Model::Rgb || plan.model == Model::Cmyk;
  const bool measured = facts.sampleFormat == SAMPLEFORMAT_INT || facts.bitsPerSample >= 32;
  if (facts.sampleFormat == SAMPLEFORMAT_IEEEFP) {
    double low = 0, high = 1;
    if (needsRange && !DataRange(tif, facts, plan, maxBlockBytes, diagnostics, low, high)) return {};
    for (std::size_t c = 0; c < static_cast<std::size_t>(plan.colourChannels); ++c) {
      plan.low[c] = low;
      plan.high[c] = high;
    }  // extra channels, alpha among them, stay 0 to 1
  } else {
    double low = 0, high = 1;
    IntegerRange(facts, tif, low, high);
    std::fill(plan.low.begin(), plan.low.end(), low);
    std::fill(plan.high.begin(), plan.high.end(), high);
    // Greys only: stretching each colour channel would change the colours themselves.
    if (plan.model == Model::Grey && measured && !HasSampleRange(tif)) {
      if (!DataRange(tif, facts, plan, maxBlockBytes, diagnostics, low, high)) return {};
      for (std::size_t c = 0; c < static_cast<std::size_t>(plan.colourChannels); ++c) {
        plan.low[c] = low;
        plan.high[c] = high;
      }  // extra channels, alpha among them, keep their type's range
    }
  }

  plan.scale.resize(spp);
  for (std::size_t c = 0; c < spp; ++c) plan.scale[c] = 1.0 / (plan.high[c] - plan.low[c]);

  TiffSampleRows rows(tif, facts, maxBlockBytes, diagnostics);
  if (!rows.ok()) return {};
  const bool grey = IsGreyOutput(plan.model) && plan.alphaChannel < 0;
  const unsigned bpp = grey ? 8 : plan.alphaChannel >= 0 ? 32 : 24;
  Bitmap image(FreeImage_Allocate(static_cast<int>(facts.width), static_cast<int>(facts.height),
                                  static_cast<int>(bpp), FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK,
                                  FI_RGBA_BLUE_MASK));
  if (!image) {
    diagnostics.push_back("not enough memory for a " + std::to_string(facts.width) + " x " +
                          std::to_string(facts.height) + " page");
    return {};
  }
  if (grey) {
    RGBQUAD* palette = FreeImage_GetPalette(image.get());
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<BYTE>(i);
      palette[i] = {v, v, v, 0};
    }
  }

  const unsigned bytesPerPixel = bpp / 8;
  if (UsesLookup(plan, facts)) {
    FillByLookup(rows, plan, facts, image.get(), bytesPerPixel);
  } else {
    FillByConversion(rows, plan, facts, image.get(), bytesPerPixel);
  }
  if (rows.failedBlocks() > 0) {
    diagnostics.push_back(std::to_string(rows.failedBlocks()) + " of " + std::to_string(rows.readBlocks()) +
                          " TIFF blocks could not be decoded and were left empty");
    if (rows.failedBlocks() == rows.readBlocks()) return {};
  }
  return image;
}

}  // namespace rastrel
