#include "overlay/colour_text.h"

#include "settings/hex_colour.h"

namespace rastrel {

Rgba ParseHexColor(std::string_view text, int alpha) {
  const HexColour colour = ReadHexColour(text);
  return MakeRgba(colour.red, colour.green, colour.blue, alpha);
}

}  // namespace rastrel
