#include "overlay/colour_text.h"

#include <gtest/gtest.h>

namespace rastrel {
namespace {

TEST(ParseHexColor, ReadsPairsAndFallsBackToBlack) {
  struct Case {
    const char* text;
    int alpha;
    Rgba expected;
  };
  const Case cases[] = {
      {"00ff80", 255, MakeRgba(0x00, 0xFF, 0x80, 255)},
      {"00FF80", 255, MakeRgba(0x00, 0xFF, 0x80, 255)},
      {"FFFFFF", 7, MakeRgba(255, 255, 255, 7)},
      {"12345", 255, MakeRgba(0, 0, 0, 255)},    // five characters: black
      {"1234567", 128, MakeRgba(0, 0, 0, 128)},  // seven characters: black
      {"", 0, MakeRgba(0, 0, 0, 0)},
      {"A G01z", 255, MakeRgba(0xA, 0, 1, 255)},  // a pair stops at its first non-digit
      {"zz0102", 300, MakeRgba(0, 1, 2, 300 & 0xFF)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseHexColor(c.text, c.alpha), c.expected) << '"' << c.text << '"';
  }
}

}  // namespace
}  // namespace rastrel
