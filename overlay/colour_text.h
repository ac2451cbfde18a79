// Colour texts "RRGGBB" and the 32-bit colour words the overlays draw with.
#pragma once

#include <cstdint>
#include <string_view>

namespace rastrel {

// A colour word: red in bits 0-7, green 8-15, blue 16-23, straight (not premultiplied)
// alpha in bits 24-31.
using Rgba = std::uint32_t;

constexpr Rgba MakeRgba(int red, int green, int blue, int alpha) {
  return static_cast<Rgba>(red & 0xFF) | static_cast<Rgba>(green & 0xFF) << 8 |
         static_cast<Rgba>(blue & 0xFF) << 16 | static_cast<Rgba>(alpha & 0xFF) << 24;
}
constexpr int RedOf(Rgba colour) { return static_cast<int>(colour & 0xFF); }
constexpr int GreenOf(Rgba colour) { return static_cast<int>(colour >> 8 & 0xFF); }
constexpr int BlueOf(Rgba colour) { return static_cast<int>(colour >> 16 & 0xFF); }
constexpr int AlphaOf(Rgba colour) { return static_cast<int>(colour >> 24 & 0xFF); }

// Opacities and alphas from settings that were never range-checked.
constexpr int ClampToByte(int value) { return value < 0 ? 0 : value > 255 ? 255 : value; }

// A colour text (settings/hex_colour.h) with an alpha, which keeps its low 8 bits.
Rgba ParseHexColor(std::string_view text, int alpha);

}  // namespace rastrel
