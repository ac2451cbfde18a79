#include "engine/direct_jpeg.h"

#include <FreeImage.h>
#include <tiffio.h>

// libjpeg's header needs the standard C declarations in front of it.
#include <jpeglib.h>
#include <csetjmp>
#include <cstddef>
#include <cstdio>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "engine/encoding.h"
#include "engine/page_limit.h"
#include "engine/tiff_handle.h"

namespace rastrel {
namespace {

constexpr std::uint32_t kLargestJpegSide = 65500;  // libjpeg's JPEG_MAX_DIMENSION
constexpr std::size_t kLargestStripBytes = std::size_t{8} << 20;

enum class Layout { Rgb8, Rgb16, Grey8, Bilevel, YCbCrJpeg };

struct PagePlan {
  Layout layout = Layout::Rgb8;
  bool invert = false;  // greyscale stored with 0 as white
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t rowsPerStrip = 0;
  int sourceDepth = 0;
  int depth = 0;
  UINT16 xDensity = 0;
  UINT16 yDensity = 0;
};

bool HasTag(TIFF* tif, ttag_t tag) {
  std::uint32_t count = 0;
  void* data = nullptr;
  return TIFFGetField(tif, tag, &count, &data) != 0 && count > 0;
}

// Dots per inch the way the general path arrives at them: the TIFF resolution becomes the
// bitmap's dots per metre when it is loaded, and the JPEG writer turns those back into
// dots per inch.
UINT16 Density(float resolution, std::uint16_t unit) {
  unsigned dotsPerMetre = 2835;  // a bitmap's own default, 72 dpi
  if (unit == RESUNIT_INCH) {
    dotsPerMetre = static_cast<unsigned>(resolution / 0.0254 + 0.5);
  } else if (unit == RESUNIT_CENTIMETER) {
    dotsPerMetre = static_cast<unsigned>(resolution * 100.0 + 0.5);
  }
  return static_cast<UINT16>(0.5 + 0.0254 * dotsPerMetre);
}

std::optional<PagePlan> Plan(TIFF* tif, const ConversionTarget& target, std::uint64_t maxDecodedBytes) {
  if (TIFFIsTiled(tif)) return std::nullopt;
  PagePlan plan;
  std::uint16_t bits = 0, samples = 0, photometric = 0, compression = 0, planar = 0, format = 0,
                orientation = 0;
  std::uint16_t extraCount = 0;
  std::uint16_t* extra = nullptr;
  if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &plan.width) ||
      !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &plan.height) ||
      !TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) {
    return std::nullopt;
  }
  TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
  TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
  TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &plan.rowsPerStrip);
  if (plan.width == 0 || plan.height == 0 || plan.width > kLargestJpegSide ||
      plan.height > kLargestJpegSide || planar != PLANARCONFIG_CONTIG || format != SAMPLEFORMAT_UINT ||
      orientation != ORIENTATION_TOPLEFT || extraCount != 0 || compression == COMPRESSION_OJPEG ||
      !TIFFIsCODECConfigured(compression)) {
    return std::nullopt;
  }
  // The general path would carry these into the JPEG file.
  if (HasTag(tif, TIFFTAG_ICCPROFILE) || HasTag(tif, TIFFTAG_XMLPACKET) ||
      HasTag(tif, TIFFTAG_RICHTIFFIPTC)) {
    return std::nullopt;
  }

  const bool grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
  if (photometric == PHOTOMETRIC_RGB && samples == 3 && bits == 8) {
    plan.layout = Layout::Rgb8, plan.sourceDepth = 24;
  } else if (photometric == PHOTOMETRIC_RGB && samples == 3 && bits == 16) {
    plan.layout = Layout::Rgb16, plan.sourceDepth = 48;
  } else if (photometric == PHOTOMETRIC_YCBCR && compression == COMPRESSION_JPEG && samples == 3 &&
             bits == 8) {
    plan.layout = Layout::YCbCrJpeg, plan.sourceDepth = 24;
  } else if (grey && samples == 1 && bits == 8) {
    plan.layout = Layout::Grey8, plan.sourceDepth = 8;
  } else if (grey && samples == 1 && bits == 1) {
    plan.layout = Layout::Bilevel, plan.sourceDepth = 1;
  } else {
    return std::nullopt;
  }
  plan.invert = photometric == PHOTOMETRIC_MINISWHITE;

  // Only the depth the general path would write without converting colours.
  const bool colour =
      plan.layout == Layout::Rgb8 || plan.layout == Layout::Rgb16 || plan.layout == Layout::YCbCrJpeg;
  plan.depth = OutputDepthForPage(target, plan.sourceDepth);
  if (plan.depth != (colour ? 24 : 8)) return std::nullopt;

  const DeclaredPage declared{plan.width, plan.height, static_cast<std::uint32_t>(bits) * samples};
  if (DecodedPageBytes(declared) > maxDecodedBytes) return std::nullopt;

  float xResolution = 300.0f, yResolution = 300.0f;
  std::uint16_t unit = RESUNIT_INCH;
  TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
  TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xResolution);
  TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yResolution);
  if (unit == RESUNIT_NONE && xResolution > 0 && yResolution > 0) unit = RESUNIT_INCH;
  plan.xDensity = Density(xResolution, unit);
  plan.yDensity = Density(yResolution, unit);

  plan.rowsPerStrip = std::clamp<std::uint32_t>(plan.rowsPerStrip, 1, plan.height);
  if (plan.layout == Layout::YCbCrJpeg && !TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB)) {
    return std::nullopt;
  }
  return plan;
}

// Hands the encoder one row at a time, reading a strip whenever the previous one is used up.
class RowReader {
 public:
  RowReader(TIFF* tif, const PagePlan& plan) : tif_(tif), plan_(plan) {}

  bool Prepare() {
    const tmsize_t line = TIFFScanlineSize(tif_);
    if (line <= 0) return false;
    lineBytes_ = static_cast<std::size_t>(line);
    // A page stored as one huge strip is read a row at a time instead, so that it is never
    // held whole.
    byRow_ = lineBytes_ * plan_.rowsPerStrip > kLargestStripBytes;
    strip_.resize(byRow_ ? lineBytes_ : lineBytes_ * plan_.rowsPerStrip);
    if (plan_.layout == Layout::Bilevel) {
      for (unsigned value = 0; value < 256; ++value) {
        for (unsigned bit = 0; bit < 8; ++bit) {
          const bool set = (value >> (7 - bit)) & 1;
          bitTable_[value][bit] = set != plan_.invert ? 255 : 0;
        }
      }
    }
    const bool converted = plan_.layout == Layout::Rgb16 || plan_.layout == Layout::Bilevel || plan_.invert;
    if (converted) row_.resize(plan_.layout == Layout::Rgb16 ? plan_.width * 3u : plan_.width);
    return true;
  }

  // Null when the page cannot be read.
  JSAMPROW Next() {
    if (rowInStrip_ == rowsInStrip_ && !ReadStrip()) return nullptr;
    std::uint8_t* source = strip_.data() + lineBytes_ * rowInStrip_++;
    switch (plan_.layout) {
      case Layout::Rgb16: {
        const auto* samples = reinterpret_cast<const std::uint16_t*>(source);
        for (std::size_t i = 0; i < row_.size(); ++i) row_[i] = static_cast<std::uint8_t>(samples[i] >> 8);
        return row_.data();
      }
      case Layout::Bilevel: {
        // Eight pixels per stored byte, through a table of the 256 byte values.
        const std::uint32_t whole = plan_.width / 8;
        std::uint8_t* out = row_.data();
        for (std::uint32_t i = 0; i < whole; ++i, out += 8) std::memcpy(out, bitTable_[source[i]].data(), 8);
        for (std::uint32_t x = whole * 8; x < plan_.width; ++x)
          row_[x] = bitTable_[source[whole]][x - whole * 8];
        return row_.data();
      }
      case Layout::Grey8:
        if (!plan_.invert) return source;
        for (std::uint32_t x = 0; x < plan_.width; ++x) row_[x] = static_cast<std::uint8_t>(255 - source[x]);
        return row_.data();
      default:
        return source;
    }
  }

 private:
  bool ReadStrip() {
    if (byRow_) {
      if (rowIndex_ >= plan_.height || TIFFReadScanline(tif_, strip_.data(), rowIndex_, 0) < 0) return false;
      ++rowIndex_;
      rowsInStrip_ = 1;
      rowInStrip_ = 0;
      return true;
    }
    const std::uint32_t firstRow = stripIndex_ * plan_.rowsPerStrip;
    if (firstRow >= plan_.height) return false;
    const std::uint32_t rows = std::min(plan_.rowsPerStrip, plan_.height - firstRow);
    const auto wanted = static_cast<tmsize_t>(lineBytes_ * rows);
    if (TIFFReadEncodedStrip(tif_, stripIndex_, strip_.data(), wanted) < wanted) return false;
    ++stripIndex_;
    rowsInStrip_ = rows;
    rowInStrip_ = 0;
    return true;
  }

  TIFF* tif_;
  const PagePlan& plan_;
  std::size_t lineBytes_ = 0;
  std::vector<std::uint8_t> strip_;
  std::vector<std::uint8_t> row_;
  std::array<std::array<std::uint8_t, 8>, 256> bitTable_{};
  bool byRow_ = false;
  std::uint32_t stripIndex_ = 0;
  std::uint32_t rowIndex_ = 0;
  std::uint32_t rowsInStrip_ = 0;
  std::uint32_t rowInStrip_ = 0;
};

// libjpeg reports errors by calling error_exit, which must not return: it jumps back to
// the one place that set the jump point, whose frame holds nothing with a destructor.
struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void JumpOnError(j_common_ptr codec) {
  std::longjmp(reinterpret_cast<JpegErrors*>(codec->err)->jump, 1);
}
void IgnoreMessage(j_common_ptr) {}

// The encoded bytes grow inside the caller's string.
struct StringDestination {
  jpeg_destination_mgr manager;
  std::string* bytes;
};

constexpr std::size_t kFirstOutputBlock = 1 << 16;

void InitDestination(j_compress_ptr codec) {
  auto* dest = reinterpret_cast<StringDestination*>(codec->dest);
  dest->bytes->resize(kFirstOutputBlock);
  dest->manager.next_output_byte = reinterpret_cast<JOCTET*>(dest->bytes->data());
  dest->manager.free_in_buffer = dest->bytes->size();
}

boolean GrowDestination(j_compress_ptr codec) {
  auto* dest = reinterpret_cast<StringDestination*>(codec->dest);
  const std::size_t used = dest->bytes->size();
  bool grown = true;
  try {
    dest->bytes->resize(used * 2);
  } catch (const std::bad_alloc&) {
    grown = false;
  }
  // Outside the handler: jumping out of it would skip the exception's clean-up.
  if (!grown) JumpOnError(reinterpret_cast<j_common_ptr>(codec));
  dest->manager.next_output_byte = reinterpret_cast<JOCTET*>(dest->bytes->data() + used);
  dest->manager.free_in_buffer = dest->bytes->size() - used;
  return TRUE;
}

void TerminateDestination(j_compress_ptr codec) {
  auto* dest = reinterpret_cast<StringDestination*>(codec->dest);
  dest->bytes->resize(dest->bytes->size() - dest->manager.free_in_buffer);
}

// Quality and flags read exactly as the general path's JPEG writer reads them.
int QualityOf(std::int32_t flags) {
  if ((flags & JPEG_QUALITYBAD) == JPEG_QUALITYBAD) return 10;
  if ((flags & JPEG_QUALITYAVERAGE) == JPEG_QUALITYAVERAGE) return 25;
  if ((flags & JPEG_QUALITYNORMAL) == JPEG_QUALITYNORMAL) return 50;
  if ((flags & JPEG_QUALITYGOOD) == JPEG_QUALITYGOOD) return 75;
  if ((flags & JPEG_QUALITYSUPERB) == JPEG_QUALITYSUPERB) return 100;
  return (flags & 0x7F) == 0 ? 75 : (flags & 0x7F);
}

void SetSampling(jpeg_compress_struct& codec, int lumaH, int lumaV) {
  codec.comp_info[0].h_samp_factor = lumaH;
  codec.comp_info[0].v_samp_factor = lumaV;
  for (int i = 1; i < 3; ++i) codec.comp_info[i].h_samp_factor = codec.comp_info[i].v_samp_factor = 1;
}

void Configure(jpeg_compress_struct& codec, const PagePlan& plan, std::int32_t flags) {
  const bool grey = plan.layout == Layout::Grey8 || plan.layout == Layout::Bilevel;
  codec.image_width = plan.width;
  codec.image_height = plan.height;
  codec.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  codec.input_components = grey ? 1 : 3;
  jpeg_set_defaults(&codec);
  if ((flags & JPEG_PROGRESSIVE) == JPEG_PROGRESSIVE) jpeg_simple_progression(&codec);
  if ((flags & JPEG_OPTIMIZE) == JPEG_OPTIMIZE) codec.optimize_coding = TRUE;
  codec.X_density = plan.xDensity;
  codec.Y_density = plan.yDensity;
  codec.density_unit = 1;
  if ((flags & JPEG_BASELINE) == JPEG_BASELINE) {
    codec.write_JFIF_header = FALSE;
    codec.write_Adobe_marker = FALSE;
  }
  if (!grey) {
    if ((flags & JPEG_SUBSAMPLING_411) == JPEG_SUBSAMPLING_411) {
      SetSampling(codec, 4, 1);
    } else if ((flags & JPEG_SUBSAMPLING_420) == JPEG_SUBSAMPLING_420) {
      SetSampling(codec, 2, 2);
    } else if ((flags & JPEG_SUBSAMPLING_422) == JPEG_SUBSAMPLING_422) {
      SetSampling(codec, 2, 1);
    } else if ((flags & JPEG_SUBSAMPLING_444) == JPEG_SUBSAMPLING_444) {
      SetSampling(codec, 1, 1);
    }
  }
  jpeg_set_quality(&codec, QualityOf(flags), TRUE);
}

// Sets the encoder up and runs it over every row. Nothing here has a destructor: libjpeg
// may jump back out of any call.
bool Compress(jpeg_compress_struct* codec, JpegErrors* errors, jpeg_destination_mgr* destination,
              RowReader* rows, const PagePlan* plan, std::int32_t flags) {
  if (setjmp(errors->jump) != 0) return false;
  jpeg_create_compress(codec);  // keeps codec->err, clears the rest
  codec->dest = destination;
  Configure(*codec, *plan, flags);
  jpeg_start_compress(codec, TRUE);
  while (codec->next_scanline < codec->image_height) {
    JSAMPROW row = rows->Next();
    if (row == nullptr) return false;
    jpeg_write_scanlines(codec, &row, 1);
  }
  jpeg_finish_compress(codec);
  return true;
}

}  // namespace

bool StagesLeavePagesUnchanged(const Settings& settings) {
  const TransformSettings& t = settings.transform;
  const AdjustmentSettings& a = settings.adjustment;
  return t.doImageRotation == 0 && t.doImageResize == 0 && t.doImageFlipHorizontal == 0 &&
         t.doImageFlipVertical == 0 && a.doImageColorCorrection == 0 && a.doImageGreyscale == 0 &&
         a.doImageThreshold == 0 && a.doImageDither == 0 && settings.frame.doFrame == 0 &&
         settings.watermark.doWatermark == 0;
}

std::optional<DirectPage> EncodePageDirectly(const std::string& path, int pageIndex,
                                             const ConversionTarget& target, std::uint64_t maxDecodedBytes) {
  if (target.extension != "jpg" || target.formatId != FIF_JPEG || pageIndex < 0) return std::nullopt;
  // Read, not mapped: a mapped file would count its whole size in the process's memory.
  // Its messages go to the conversion's capture through the process-wide handlers.
  const TiffHandle tif(TIFFOpen(path.c_str(), "rm"), nullptr);
  if (!tif || !TIFFSetDirectory(tif.get(), static_cast<tdir_t>(pageIndex))) return std::nullopt;
  const std::optional<PagePlan> plan = Plan(tif.get(), target, maxDecodedBytes);
  if (!plan) return std::nullopt;
  RowReader rows(tif.get(), *plan);
  if (!rows.Prepare()) return std::nullopt;

  DirectPage page;
  page.width = static_cast<int>(plan->width);
  page.height = static_cast<int>(plan->height);
  page.sourceDepth = plan->sourceDepth;
  page.depth = plan->depth;

  jpeg_compress_struct codec{};
  JpegErrors errors{};
  codec.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JumpOnError;
  errors.manager.output_message = IgnoreMessage;
  StringDestination destination{};
  destination.bytes = &page.jpeg;
  destination.manager.init_destination = InitDestination;
  destination.manager.empty_output_buffer = GrowDestination;
  destination.manager.term_destination = TerminateDestination;

  const bool ok = Compress(&codec, &errors, &destination.manager, &rows, &*plan, target.saveFlags);
  jpeg_destroy_compress(&codec);  // also after a failure part-way, even inside creation
  if (!ok) return std::nullopt;
  return page;
}

}  // namespace rastrel
