#include "settings/vocabulary.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace rastrel {
namespace {

using E = KeywordEntry;

constexpr E kDdsLoadAs[] = {{"AUTO", 0}, {"BGRA", 1}, {"RGBA", 2}};
constexpr E kRawLoadAs[] = {{"AUTO", 0}, {"8", 1}, {"16", 2}, {"24", 3}, {"48HS", 4}, {"48", 5}};
constexpr E kFrameLoading[] = {{"ALL", 0}, {"FIRST", 1}, {"MIDDLE", 2}, {"LAST", 3}, {"RANDOM", 4}};
constexpr E kToneMapping[] = {{"NONE", 0}, {"LINEAR", 1}, {"AL", 2}, {"DRR", 3}, {"GD", 4}};
// One list serves five compression settings, so several keywords share a code; the first
// keyword of a code is the name the echo prints for all of them.
constexpr E kCompression[] = {
    {"NONE", 0},    {"RLE", 1},          {"ZIP", 1},   {"PIZ", 2},       {"PXR24", 3},     {"B44", 4},
    {"ZLIB1", 1},   {"ZLIB6", 2},        {"ZLIB9", 3}, {"CCITTFAX3", 1}, {"CCITTFAX4", 2}, {"PACKBITS", 3},
    {"DEFLATE", 4}, {"ADOBEDEFLATE", 5}, {"LZW", 6},   {"JPEG", 7},      {"LOGLUV", 8}};
constexpr E kColorTable[] = {{"AUTO", 0}, {"EXACT", 1}};
constexpr E kColorMode[] = {{"RGB", 0}, {"CMYK", 1}, {"LAB", 2}};
constexpr E kChroma[] = {{"NONE", 0}, {"LOW", 1}, {"MEDIUM", 2}, {"HIGH", 3}};
constexpr E kSaveAs[] = {{"STANDARD", 0}, {"SIMPLE", 1}, {"OPTIMIZED", 2}, {"PROGRESSIVE", 3}};
constexpr E kRotationType[] = {{"SIMPLE", 0}, {"ADVANCED", 1}};
constexpr E kUnit[] = {{"PIXELS", 0}, {"PERCENT", 1}};
constexpr E kResizeType[] = {{"ALLIMAGES", 0}, {"LARGEIMAGES", 1}};
constexpr E kResizeAlgorithm[] = {{"BOX", 0},     {"BILINEAR", 1},   {"BSPLINE", 2},
                                  {"BICUBIC", 3}, {"CATMULLROM", 4}, {"LANCZOS", 5}};
constexpr E kDither[] = {{"FS", 0},       {"BAYER4", 1},   {"BAYER8", 2},   {"BAYER16", 3},
                         {"CLUSTER6", 4}, {"CLUSTER8", 5}, {"CLUSTER16", 6}};
constexpr E kFrameKind[] = {{"NONE", 0}, {"SOLID", 1}};
constexpr E kWatermarkKind[] = {{"NONE", 0}, {"TEXT", 1}, {"IMAGE", 2}};
constexpr E kFontStyle[] = {{"REGULAR", 0}, {"BOLD", 1}, {"ITALIC", 2}, {"BOLDITALIC", 3}};
constexpr E kFontEffect[] = {{"NONE", 0}, {"UNDERLINE", 1}, {"STRIKETHROUGHT", 2}};
constexpr E kAlignment[] = {{"LEFT", 0}, {"CENTER", 1}, {"RIGHT", 2}};
constexpr E kBoundary[] = {{"IMAGE", 0}, {"FRAME", 1}};
constexpr E kPosition[] = {{"TOPLEFT", 0},    {"TOPCENTER", 1},    {"TOPRIGHT", 2},
                           {"MIDDLELEFT", 3}, {"MIDDLECENTER", 4}, {"MIDDLERIGHT", 5},
                           {"BOTTOMLEFT", 6}, {"BOTTOMCENTER", 7}, {"BOTTOMRIGHT", 8}};
constexpr E kSize[] = {{"FIXED", 0}};
constexpr E kTimestamp[] = {{"CURRENT", 0}, {"ORIGINAL", 1}, {"CUSTOM", 2}};

constexpr std::array<std::span<const E>, kKeywordListCount> kLists = {
    kDdsLoadAs,       kRawLoadAs, kFrameLoading, kToneMapping,   kCompression, kColorTable,
    kColorMode,       kChroma,    kSaveAs,       kRotationType,  kUnit,        kResizeType,
    kResizeAlgorithm, kDither,    kFrameKind,    kWatermarkKind, kFontStyle,   kFontEffect,
    kAlignment,       kBoundary,  kPosition,     kSize,          kTimestamp};

constexpr char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
constexpr char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

constexpr bool IsBlank(char c) { return c == ' ' || c == '\t'; }

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

}  // namespace

std::span<const KeywordEntry> KeywordList(int list) {
  if (list < 0 || list >= kKeywordListCount) return {};
  return kLists[static_cast<std::size_t>(list)];
}

int KeywordToCode(int list, std::string_view text) {
  if (list == kFrameKindList || list == kWatermarkKindList) return 0;
  for (const KeywordEntry& entry : KeywordList(list)) {
    if (EqualsIgnoringCase(entry.keyword, text)) return entry.code;
  }
  return 0;
}

std::string CodeToKeyword(int list, int code) {
  for (const KeywordEntry& entry : KeywordList(list)) {
    if (entry.code != code) continue;
    std::string lower(entry.keyword);
    for (char& c : lower) c = AsciiLower(c);
    return lower;
  }
  return {};
}

std::int64_t ParseIntegerValue(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  unsigned base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i < text.size() && text[i] == '%') {
    base = 2;
    ++i;
  }
  // Unsigned arithmetic wraps, so an absurdly long number gives a defined result.
  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const int digit = DigitValue(text[i]);
    if (digit < 0 || static_cast<unsigned>(digit) >= base) break;
    value = value * base + static_cast<unsigned>(digit);
  }
  if (negative) value = ~value + 1u;
  return static_cast<std::int64_t>(value);
}

float ParseGammaValue(std::string_view text) {
  const std::string_view trimmed = TrimBlanks(text);
  if (EqualsIgnoringCase(trimmed, "+Infinity")) return std::numeric_limits<float>::infinity();
  if (EqualsIgnoringCase(trimmed, "-Infinity")) return -std::numeric_limits<float>::infinity();
  if (EqualsIgnoringCase(trimmed, "NaN")) return std::numeric_limits<float>::quiet_NaN();

  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // from_chars alone would also accept "inf" and "nan"; a decimal number starts with a
  // digit or the separator.
  if (i >= text.size() || !(DigitValue(text[i]) < 10 || text[i] == '.')) return 0.0f;

  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  double value = 0.0;
  const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    // Too large becomes infinity, too small zero, as a float conversion would give.
    const std::string_view number(first, static_cast<std::size_t>(end - first));
    const std::size_t e = number.find_first_of("eE");
    const bool tiny =
        (e != std::string_view::npos && e + 1 < number.size() && number[e + 1] == '-') ||
        number.substr(0, number.find_first_of(".eE")).find_first_not_of('0') == std::string_view::npos;
    value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  } else if (error != std::errc{}) {
    return 0.0f;
  }
  // Converting a double beyond the float range is undefined; it is infinity here.
  if (value > static_cast<double>(std::numeric_limits<float>::max())) {
    value = std::numeric_limits<double>::infinity();
  }
  return static_cast<float>(negative ? -value : value);
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view StripDoubleQuotes(std::string_view text) {
  while (!text.empty() && text.front() == '"') text.remove_prefix(1);
  while (!text.empty() && text.back() == '"') text.remove_suffix(1);
  return text;
}

}  // namespace rastrel
