#include "settings/hex_colour.h"

namespace rastrel {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A pair stops at its first character that is not a digit; the digits before it count.
int ReadPair(char first, char second) {
  const int high = HexDigit(first);
  if (high < 0) return 0;
  const int low = HexDigit(second);
  if (low < 0) return high;
  return high * 16 + low;
}

}  // namespace

HexColour ReadHexColour(std::string_view text) {
  if (text.size() != 6) return {};
  return {ReadPair(text[0], text[1]), ReadPair(text[2], text[3]), ReadPair(text[4], text[5])};
}

}  // namespace rastrel
