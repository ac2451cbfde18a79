// What every saved image of a batch becomes: filled once at batch start, read-only after.
#pragma once

#include <cstdint>
#include <string>

namespace rastrel {

struct ConversionTarget {
  std::string extension;     // lower case, an entry of the product output list
  std::int32_t formatId = 0;  // FREE_IMAGE_FORMAT
  std::int32_t depth = 0;     // 0 = automatic
  bool automatic = false;
  std::int32_t saveFlags = 0;
};

}  // namespace rastrel
