// How much memory one decoded page may take. A TIFF declares the size of its pages in a few
// header bytes, so a damaged or hostile file can ask for any amount. Every page's declared
// size is read before anything is decoded, and a page above the limit fails on its own,
// with a diagnostic, instead of a worker swapping the machine to a halt or dying mid-batch.
//
// The limit counts at least 4 bytes per pixel, the 32-bit form the stages may bring any
// 8-bit page to, and more for pages whose stored pixels are wider than that (16 bits per
// sample, floats), which the image library keeps at their own width. The default, 1 GiB,
// admits pages up to 268 million pixels (16384 x 16384); the batch settings may change it
// (`maxPageMegabytes`).
#pragma once

#include <cstdint>
#include <string>

#include "engine/tiff_probe.h"
#include "settings/settings.h"

namespace rastrel {

inline constexpr std::uint64_t kDefaultMaxDecodedPageBytes = std::uint64_t{kDefaultMaxPageMegabytes} << 20;

// The limit the settings ask for; the default for a value of 0 or less.
std::uint64_t MaxDecodedPageBytes(const Settings& settings);

// What a page's header declares.
struct DeclaredPage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t bitsPerPixel = 0;  // bits per sample times samples per pixel
};

// Bytes the page takes decoded by the rule above; saturates instead of wrapping around.
std::uint64_t DecodedPageBytes(const DeclaredPage& page);

// Empty when the page fits `limit`; otherwise the diagnostic that explains the refusal.
std::string PageSizeRefusal(const DeclaredPage& page, std::uint64_t limit);

// What the tags of a TIFF page declare.
DeclaredPage DeclaredPageOf(const TiffPageFacts& facts);

}  // namespace rastrel
