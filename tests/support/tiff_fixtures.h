// Small TIFF files written by the tests themselves, each page painted with a known pattern
// so that a converted result can be compared pixel by pixel (with a tolerance).
//
// The pattern is a 4 × 4 grid of flat cells. Each cell's colour depends on the cell and on
// the page index, so a page converted from the wrong page of its file does not match.
#pragma once

#include <FreeImage.h>

#include <cstdint>
#include <string>
#include <vector>

namespace rastrel::fixtures {

enum class PageKind {
  BilevelMinIsWhiteG4,  // 1 bit, CCITT group 4, 0 = white
  BilevelMinIsBlackG4,  // 1 bit, CCITT group 4, 0 = black
  Grey8,                // 8-bit grey, uncompressed
  Grey16,               // 16-bit grey, uncompressed
  Rgb24Lzw,             // 8 bits per sample RGB, LZW
  Rgb48,                // 16 bits per sample RGB, Deflate
  Palette8,             // 8-bit palette of the 16 cell colours, PackBits
  Cmyk32,               // 8 bits per sample CMYK (K = 0), uncompressed
  YCbCrJpeg,            // JPEG-compressed YCbCr, chroma halved both ways, quality 90
  Grey8MinIsWhite,      // 8-bit grey stored with 0 as white, LZW
};

struct PageSpec {
  PageKind kind = PageKind::Rgb24Lzw;
  int width = 64;
  int height = 48;
  float resolution = 0;    // written for both axes when above 0
  int resolutionUnit = 2;  // RESUNIT_INCH
};

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};

inline constexpr int kCells = 4;  // cells per row and per column

// The colour a page of this kind shows at (x, y): what any correct decoder must see.
Rgb ExpectedColour(PageKind kind, int pageIndex, int x, int y, int width, int height);

// Writes every page as one directory of a TIFF file. False when libtiff refused.
bool WriteTiff(const std::string& path, const std::vector<PageSpec>& pages);
inline bool WriteTiff(const std::string& path, PageSpec page) { return WriteTiff(path, std::vector{page}); }

// Old-style JPEG (Compression 6) pages: each page is a complete JPEG stream of the RGB
// pattern, referenced by the strip tags and, unless `withInterchangeTags` is false, by
// the JPEGInterchangeFormat tags as well. Page colours follow PageKind::Rgb24Lzw.
struct OldJpegPage {
  int width = 64;
  int height = 48;
};
bool WriteOldJpegTiff(const std::string& path, const std::vector<OldJpegPage>& pages,
                      bool withInterchangeTags = true);

// A file whose name says TIFF but whose bytes are plain text.
bool WriteNotATiff(const std::string& path);

// Largest difference of any channel, sampled over the central part of every cell (away
// from the cell edges, where JPEG rings). Returns 256 when the image cannot be read or its
// size differs. Works for 8-bit greyscale and 24/32-bit images.
int PatternDifference(FIBITMAP* image, PageKind kind, int pageIndex);
int PatternDifference(const std::string& imagePath, PageKind kind, int pageIndex);

}  // namespace rastrel::fixtures
