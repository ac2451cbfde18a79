// Colour texts "RRGGBB" as the settings store them (frame sides, background, watermark).
#pragma once

#include <string_view>

namespace rastrel {

struct HexColour {
  int red = 0, green = 0, blue = 0;  // 0 to 255
};

// Reads "RRGGBB" in either letter case. Any text that is not exactly six characters long
// is black. Each pair is read up to its first non-hexadecimal character, so "0G" is 0 and
// "G0" is 0 too: colour texts from old settings files read as they always have.
HexColour ReadHexColour(std::string_view text);

}  // namespace rastrel
