#include "tests/support/tiff_fixtures.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace rastrel::fixtures {
namespace {

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};
struct BitmapUnloader {
  void operator()(FIBITMAP* image) const { FreeImage_Unload(image); }
};
struct MemoryCloser {
  void operator()(FIMEMORY* memory) const { FreeImage_CloseMemory(memory); }
};
using BitmapPtr = std::unique_ptr<FIBITMAP, BitmapUnloader>;

int CellIndex(int x, int y, int width, int height) {
  const int cx = std::min(kCells - 1, x * kCells / std::max(1, width));
  const int cy = std::min(kCells - 1, y * kCells / std::max(1, height));
  return cx + kCells * cy;
}

Rgb CellColour(int cell, int pageIndex) {
  return Rgb{static_cast<std::uint8_t>((cell * 67 + pageIndex * 101 + 20) % 256),
             static_cast<std::uint8_t>((cell * 151 + pageIndex * 37 + 90) % 256),
             static_cast<std::uint8_t>((cell * 29 + pageIndex * 211 + 160) % 256)};
}

std::uint8_t CellGrey(int cell, int pageIndex) {
  return static_cast<std::uint8_t>((cell * 16 + pageIndex * 40 + 8) % 256);
}

bool CellIsWhite(int x, int y, int width, int height, int pageIndex) {
  const int cell = CellIndex(x, y, width, height);
  return (cell % kCells + cell / kCells + pageIndex) % 2 == 0;
}

bool WritePage(TIFF* tif, const PageSpec& page, int pageIndex, int pageCount) {
  const int w = page.width;
  const int h = page.height;
  int samples = 1;
  int bits = 8;
  int photometric = PHOTOMETRIC_MINISBLACK;
  int compression = COMPRESSION_NONE;
  switch (page.kind) {
    case PageKind::BilevelMinIsWhiteG4:
      bits = 1, photometric = PHOTOMETRIC_MINISWHITE, compression = COMPRESSION_CCITTFAX4;
      break;
    case PageKind::BilevelMinIsBlackG4:
      bits = 1, photometric = PHOTOMETRIC_MINISBLACK, compression = COMPRESSION_CCITTFAX4;
      break;
    case PageKind::Grey8:
      break;
    case PageKind::Grey16:
      bits = 16;
      break;
    case PageKind::Rgb24Lzw:
      samples = 3, photometric = PHOTOMETRIC_RGB, compression = COMPRESSION_LZW;
      break;
    case PageKind::Rgb48:
      samples = 3, bits = 16, photometric = PHOTOMETRIC_RGB, compression = COMPRESSION_ADOBE_DEFLATE;
      break;
    case PageKind::Palette8:
      photometric = PHOTOMETRIC_PALETTE, compression = COMPRESSION_PACKBITS;
      break;
    case PageKind::Cmyk32:
      samples = 4, photometric = PHOTOMETRIC_SEPARATED;
      break;
    case PageKind::YCbCrJpeg:
      samples = 3, photometric = PHOTOMETRIC_YCBCR, compression = COMPRESSION_JPEG;
      break;
    case PageKind::Grey8MinIsWhite:
      photometric = PHOTOMETRIC_MINISWHITE, compression = COMPRESSION_LZW;
      break;
  }
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(w));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(h));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(bits));
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(samples));
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, static_cast<std::uint16_t>(photometric));
  TIFFSetField(tif, TIFFTAG_COMPRESSION, static_cast<std::uint16_t>(compression));
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, static_cast<std::uint16_t>(PLANARCONFIG_CONTIG));
  // Several strips where the codec allows, so that readers have to join them.
  const bool oneStrip = bits == 1;
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(oneStrip ? h : 16));
  TIFFSetField(tif, TIFFTAG_ORIENTATION, static_cast<std::uint16_t>(ORIENTATION_TOPLEFT));
  if (page.resolution > 0) {
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, page.resolution);
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, page.resolution);
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, static_cast<std::uint16_t>(page.resolutionUnit));
  }
  if (page.kind == PageKind::YCbCrJpeg) {
    TIFFSetField(tif, TIFFTAG_YCBCRSUBSAMPLING, static_cast<std::uint16_t>(2), static_cast<std::uint16_t>(2));
    TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 90);
    TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);  // the rows below are RGB
  }
  if (pageCount > 1) {
    TIFFSetField(tif, TIFFTAG_SUBFILETYPE, static_cast<std::uint32_t>(FILETYPE_PAGE));
    TIFFSetField(tif, TIFFTAG_PAGENUMBER, static_cast<std::uint16_t>(pageIndex),
                 static_cast<std::uint16_t>(pageCount));
  }
  if (page.kind == PageKind::Cmyk32)
    TIFFSetField(tif, TIFFTAG_INKSET, static_cast<std::uint16_t>(INKSET_CMYK));
  std::vector<std::uint16_t> red(256), green(256), blue(256);
  if (page.kind == PageKind::Palette8) {
    for (int i = 0; i < kCells * kCells; ++i) {
      const Rgb c = CellColour(i, pageIndex);
      red[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(c.r * 257);
      green[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(c.g * 257);
      blue[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(c.b * 257);
    }
    TIFFSetField(tif, TIFFTAG_COLORMAP, red.data(), green.data(), blue.data());
  }

  const std::size_t rowBytes =
      (static_cast<std::size_t>(w) * static_cast<std::size_t>(samples * bits) + 7) / 8;
  std::vector<std::uint8_t> row(rowBytes);
  for (int y = 0; y < h; ++y) {
    std::fill(row.begin(), row.end(), 0);
    for (int x = 0; x < w; ++x) {
      const int cell = CellIndex(x, y, w, h);
      const Rgb c = CellColour(cell, pageIndex);
      const auto ux = static_cast<std::size_t>(x);
      switch (page.kind) {
        case PageKind::BilevelMinIsWhiteG4:
        case PageKind::BilevelMinIsBlackG4: {
          const bool white = CellIsWhite(x, y, w, h, pageIndex);
          const bool bitSet = (page.kind == PageKind::BilevelMinIsBlackG4) == white;
          if (bitSet) row[ux / 8] = static_cast<std::uint8_t>(row[ux / 8] | (0x80 >> (ux % 8)));
          break;
        }
        case PageKind::Grey8:
          row[ux] = CellGrey(cell, pageIndex);
          break;
        case PageKind::Grey8MinIsWhite:
          row[ux] = static_cast<std::uint8_t>(255 - CellGrey(cell, pageIndex));
          break;
        case PageKind::Grey16: {
          const int v = CellGrey(cell, pageIndex) * 257;
          row[ux * 2] = static_cast<std::uint8_t>(v & 0xFF);  // native little-endian order
          row[ux * 2 + 1] = static_cast<std::uint8_t>(v >> 8);
          break;
        }
        case PageKind::Rgb24Lzw:
        case PageKind::YCbCrJpeg:
          row[ux * 3] = c.r, row[ux * 3 + 1] = c.g, row[ux * 3 + 2] = c.b;
          break;
        case PageKind::Rgb48: {
          const std::uint8_t v[3] = {c.r, c.g, c.b};
          for (std::size_t s = 0; s < 3; ++s) {
            row[ux * 6 + s * 2] = v[s];  // v * 257: both bytes equal
            row[ux * 6 + s * 2 + 1] = v[s];
          }
          break;
        }
        case PageKind::Palette8:
          row[ux] = static_cast<std::uint8_t>(cell);
          break;
        case PageKind::Cmyk32:
          row[ux * 4] = static_cast<std::uint8_t>(255 - c.r);
          row[ux * 4 + 1] = static_cast<std::uint8_t>(255 - c.g);
          row[ux * 4 + 2] = static_cast<std::uint8_t>(255 - c.b);
          row[ux * 4 + 3] = 0;
          break;
      }
    }
    if (TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0) < 0) return false;
  }
  return TIFFWriteDirectory(tif) != 0;
}

BitmapPtr PatternBitmap(int width, int height, int pageIndex) {
  BitmapPtr image(FreeImage_Allocate(width, height, 24));
  if (!image) return image;
  for (int y = 0; y < height; ++y) {
    BYTE* line = FreeImage_GetScanLine(image.get(), height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const Rgb c = CellColour(CellIndex(x, y, width, height), pageIndex);
      line[x * 3 + FI_RGBA_RED] = c.r;
      line[x * 3 + FI_RGBA_GREEN] = c.g;
      line[x * 3 + FI_RGBA_BLUE] = c.b;
    }
  }
  return image;
}

void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  out[at] = static_cast<std::uint8_t>(v & 0xFF);
  out[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}
void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
  Put16(out, at, v & 0xFFFF);
  Put16(out, at + 2, v >> 16);
}

}  // namespace

Rgb ExpectedColour(PageKind kind, int pageIndex, int x, int y, int width, int height) {
  switch (kind) {
    case PageKind::BilevelMinIsWhiteG4:
    case PageKind::BilevelMinIsBlackG4: {
      const std::uint8_t v = CellIsWhite(x, y, width, height, pageIndex) ? 255 : 0;
      return Rgb{v, v, v};
    }
    case PageKind::Grey8:
    case PageKind::Grey8MinIsWhite:
    case PageKind::Grey16: {
      const std::uint8_t v = CellGrey(CellIndex(x, y, width, height), pageIndex);
      return Rgb{v, v, v};
    }
    default:
      return CellColour(CellIndex(x, y, width, height), pageIndex);
  }
}

bool WriteTiff(const std::string& path, const std::vector<PageSpec>& pages) {
  std::unique_ptr<TIFF, TiffCloser> tif(TIFFOpen(path.c_str(), "w"));
  if (!tif) return false;
  const int count = static_cast<int>(pages.size());
  for (int i = 0; i < count; ++i) {
    if (!WritePage(tif.get(), pages[static_cast<std::size_t>(i)], i, count)) return false;
  }
  return true;
}

bool WriteOldJpegTiff(const std::string& path, const std::vector<OldJpegPage>& pages,
                      bool withInterchangeTags) {
  // Built by hand: libtiff does not write this compression. Layout: header, then for
  // each page its JPEG stream, its BitsPerSample values and its directory.
  std::vector<std::uint8_t> out = {'I', 'I', 42, 0, 0, 0, 0, 0};
  std::size_t previousLink = 4;  // where the offset of the next directory goes
  for (std::size_t p = 0; p < pages.size(); ++p) {
    const int w = pages[p].width;
    const int h = pages[p].height;
    BitmapPtr image = PatternBitmap(w, h, static_cast<int>(p));
    std::unique_ptr<FIMEMORY, MemoryCloser> stream(FreeImage_OpenMemory());
    if (!image || !stream ||
        !FreeImage_SaveToMemory(FIF_JPEG, image.get(), stream.get(), 95 | JPEG_SUBSAMPLING_444)) {
      return false;
    }
    BYTE* bytes = nullptr;
    DWORD size = 0;
    FreeImage_AcquireMemory(stream.get(), &bytes, &size);
    const auto jpegOffset = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), bytes, bytes + size);
    if (out.size() % 2) out.push_back(0);
    const auto bitsOffset = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), {8, 0, 8, 0, 8, 0});

    struct Entry {
      std::uint16_t tag, type;
      std::uint32_t count, value;
    };
    constexpr std::uint16_t kShort = 3, kLong = 4;
    std::vector<Entry> entries = {
        {256, kLong, 1, static_cast<std::uint32_t>(w)},
        {257, kLong, 1, static_cast<std::uint32_t>(h)},
        {258, kShort, 3, bitsOffset},
        {259, kShort, 1, 6},  // old-style JPEG
        {262, kShort, 1, 6},  // YCbCr
        {273, kLong, 1, jpegOffset},
        {277, kShort, 1, 3},
        {278, kLong, 1, static_cast<std::uint32_t>(h)},
        {279, kLong, 1, size},
        {284, kShort, 1, 1},
        {512, kShort, 1, 1},  // baseline process
    };
    if (withInterchangeTags) {
      entries.push_back({513, kLong, 1, jpegOffset});
      entries.push_back({514, kLong, 1, size});
    }
    entries.push_back({530, kShort, 2, 0x00010001});  // no chroma subsampling

    const auto ifdOffset = static_cast<std::uint32_t>(out.size());
    Put32(out, previousLink, ifdOffset);
    out.resize(out.size() + 2 + entries.size() * 12 + 4, 0);
    Put16(out, ifdOffset, static_cast<std::uint32_t>(entries.size()));
    std::size_t at = ifdOffset + 2;
    for (const Entry& e : entries) {
      Put16(out, at, e.tag);
      Put16(out, at + 2, e.type);
      Put32(out, at + 4, e.count);
      if (e.type == kShort && e.count == 1) {
        Put16(out, at + 8, e.value);
      } else {
        Put32(out, at + 8, e.value);
      }
      at += 12;
    }
    previousLink = at;  // stays 0 for the last page
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
  return std::fclose(file) == 0 && ok;
}

bool WriteNotATiff(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const char text[] = "This file only pretends to be an image.\n";
  const bool ok = std::fwrite(text, 1, sizeof text - 1, file) == sizeof text - 1;
  return std::fclose(file) == 0 && ok;
}

int PatternDifference(FIBITMAP* image, PageKind kind, int pageIndex) {
  if (image == nullptr || FreeImage_GetImageType(image) != FIT_BITMAP) return 256;
  BitmapPtr rgb(FreeImage_ConvertTo24Bits(image));
  if (!rgb) return 256;
  const int w = static_cast<int>(FreeImage_GetWidth(rgb.get()));
  const int h = static_cast<int>(FreeImage_GetHeight(rgb.get()));
  int worst = 0;
  for (int cell = 0; cell < kCells * kCells; ++cell) {
    const int x0 = (cell % kCells) * w / kCells, x1 = (cell % kCells + 1) * w / kCells;
    const int y0 = (cell / kCells) * h / kCells, y1 = (cell / kCells + 1) * h / kCells;
    const int mx = (x1 - x0) / 4, my = (y1 - y0) / 4;
    for (int y = y0 + my; y < y1 - my; ++y) {
      const BYTE* line = FreeImage_GetScanLine(rgb.get(), h - 1 - y);
      for (int x = x0 + mx; x < x1 - mx; ++x) {
        const Rgb want = ExpectedColour(kind, pageIndex, x, y, w, h);
        worst = std::max({worst, std::abs(line[x * 3 + FI_RGBA_RED] - want.r),
                          std::abs(line[x * 3 + FI_RGBA_GREEN] - want.g),
                          std::abs(line[x * 3 + FI_RGBA_BLUE] - want.b)});
      }
    }
  }
  return worst;
}

int PatternDifference(const std::string& imagePath, PageKind kind, int pageIndex) {
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(imagePath.c_str(), 0);
  if (format == FIF_UNKNOWN) return 256;
  BitmapPtr image(FreeImage_Load(format, imagePath.c_str(), 0));
  return PatternDifference(image.get(), kind, pageIndex);
}

}  // namespace rastrel::fixtures
