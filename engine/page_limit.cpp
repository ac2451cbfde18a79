#include "engine/page_limit.h"

#include <algorithm>
#include <limits>

namespace rastrel {
namespace {

std::string Megabytes(std::uint64_t bytes) {
  return std::to_string(bytes / (std::uint64_t{1} << 20) + (bytes % (std::uint64_t{1} << 20) != 0 ? 1 : 0));
}

}  // namespace

std::uint64_t MaxDecodedPageBytes(const Settings& settings) {
  const std::int32_t megabytes = settings.advanced.maxPageMegabytes;
  return megabytes > 0 ? std::uint64_t(megabytes) << 20 : kDefaultMaxDecodedPageBytes;
}

std::uint64_t DecodedPageBytes(const DeclaredPage& page) {
  const std::uint64_t bytesPerPixel = std::max<std::uint64_t>(4, (std::uint64_t{page.bitsPerPixel} + 7) / 8);
  const std::uint64_t pixels = std::uint64_t{page.width} * page.height;  // both below 2^32: no wrap
  if (pixels != 0 && bytesPerPixel > std::numeric_limits<std::uint64_t>::max() / pixels) {
    return std::numeric_limits<std::uint64_t>::max();
  }
  return pixels * bytesPerPixel;
}

std::string PageSizeRefusal(const DeclaredPage& page, std::uint64_t limit) {
  const std::uint64_t bytes = DecodedPageBytes(page);
  if (bytes <= limit) return {};
  return "page of " + std::to_string(page.width) + " x " + std::to_string(page.height) + " pixels at " +
         std::to_string(page.bitsPerPixel) + " bits would take " + Megabytes(bytes) +
         " MiB decoded, more than the " + Megabytes(limit) + " MiB a page may take; not decoded";
}

DeclaredPage DeclaredPageOf(const TiffPageFacts& facts) {
  const auto bits = static_cast<std::uint32_t>(std::max(facts.bitsPerSample, 0)) *
                    static_cast<std::uint32_t>(std::max(facts.samplesPerPixel, 0));
  return DeclaredPage{facts.width, facts.height, bits};
}

}  // namespace rastrel
