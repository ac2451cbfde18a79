// TIFF fixtures in the layouts that real archives contain and that a plain 8-bit RGB reader
// does not cover: odd bit depths, floats, signed data, planar and tiled layouts, colour spaces
// other than RGB, orientations, BigTIFF, IFD loops. Every fixture shows the same picture:
// four quadrants of known colours in the upright page, so a test can check size, colour and
// orientation of any decoder's result with one comparison.
#pragma once

#include <FreeImage.h>
#include <tiffio.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rastrel::testing {

struct Rgba {
  int r = 0, g = 0, b = 0, a = 255;
};

// Quadrant index in the upright page: 0 top left, 1 top right, 2 bottom left, 3 bottom right.
using SampleFunction = std::function<double(int quadrant, int channel)>;

// How one page is written. Sample values are the raw stored numbers (an integer for integer
// formats, the value itself for floats); the writer packs them in the declared layout.
struct QuadrantPage {
  unsigned width = 32;  // upright size; orientations 5 to 8 store it transposed
  unsigned height = 24;
  int bitsPerSample = 8;
  int samplesPerPixel = 3;
  int photometric = PHOTOMETRIC_RGB;  // -1 writes no Photometric tag
  int sampleFormat = SAMPLEFORMAT_UINT;
  int planar = PLANARCONFIG_CONTIG;
  int compression = COMPRESSION_NONE;
  int predictor = 0;
  unsigned rowsPerStrip = 8;
  unsigned tileSize = 0;  // 16, 32...: tiled instead of stripped
  int orientation = 0;    // 0 writes no Orientation tag
  std::vector<std::uint16_t> extraSamples;
  std::vector<unsigned> emptyStrips;  // strips left unwritten: zero offset and byte count
  SampleFunction sample;
  std::function<void(TIFF*)> extraTags;  // colour map, white point, codec options...
};

// Writes the pages in order; with `loopToPage` >= 0 the last page's next-IFD pointer is
// bent back to that page, so the chain of directories never ends.
bool WriteQuadrantTiff(const std::string& path, const std::vector<QuadrantPage>& pages, bool bigTiff = false,
                       int loopToPage = -1);
bool WriteQuadrantTiff(const std::string& path, const QuadrantPage& page);

// A fixture family: how to write it and what a correct decoder must show for it.
struct OddTiffFamily {
  std::string name;
  std::function<bool(const std::string& path)> write;
  unsigned width = 32;  // upright page size
  unsigned height = 24;
  std::array<Rgba, 4> quadrants;  // upright colours, top left first
  int tolerance = 2;
  int page = 0;         // page that the expectation describes
  int pageCount = 1;    // pages a reader must find
  int orientation = 1;  // Orientation tag value of that page
  bool checkAlpha = false;
};

const std::vector<OddTiffFamily>& OddTiffFamilies();

// Reads pixel (x, y), y counted from the top, of an 8-bit-per-sample bitmap (1, 4, 8 bits
// through the palette; 24 and 32 bits directly).
Rgba PixelAt(FIBITMAP* image, unsigned x, unsigned y);

// Empty when every quadrant centre of `image` matches `family`, else what differs.
std::string CompareQuadrants(FIBITMAP* image, const OddTiffFamily& family);

std::string ToString(const Rgba& colour);

}  // namespace rastrel::testing
