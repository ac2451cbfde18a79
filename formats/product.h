// The two lists that make this product out of the shared converter family: what it reads
// and what it writes. Everything else in the registry serves the whole family.
#pragma once

#include <array>
#include <string_view>

namespace rastrel {

inline constexpr std::array<std::string_view, 1> kProductInputFamilies{"tiff"};
inline constexpr std::array<std::string_view, 1> kProductOutputFormats{"jpg"};

}  // namespace rastrel
