// The keyword vocabulary of the enumerated settings and the rules that turn option values
// (command line and profile files alike) into numbers.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace rastrel {

inline constexpr int kKeywordListCount = 23;

// Lists that only name codes for the debug echo and parse nothing.
inline constexpr int kFrameKindList = 14;
inline constexpr int kWatermarkKindList = 15;

struct KeywordEntry {
  std::string_view keyword;  // upper-case ASCII
  int code;
};

// The entries of one list in parse order, empty for a list number outside 0..22.
std::span<const KeywordEntry> KeywordList(int list);

// The code of `text` (any letter case, matched whole) in `list`; 0 when nothing matches,
// for the reverse-only lists and for list numbers outside the table.
int KeywordToCode(int list, std::string_view text);

// The lower-case keyword of `code` (the first keyword with that code), "" when none.
std::string CodeToKeyword(int list, int code);

// Leading blanks and tabs, an optional sign, then "$" and hexadecimal digits, "%" and
// binary digits, or decimal digits; stops at the first character that does not fit; no
// digits give 0. Computed in 64 bits, wrapping around rather than overflowing.
std::int64_t ParseIntegerValue(std::string_view text);

// The low 32 bits of a 64-bit result, read as signed: what a 32-bit field keeps.
constexpr std::int32_t ToInt32(std::int64_t value) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value)));
}

// "+Infinity", "-Infinity" and "NaN" in any letter case give those values; anything else
// is read as a decimal number with "." as separator whatever the locale, stopping at the
// first character that does not fit; text that is no number gives 0.
float ParseGammaValue(std::string_view text);

// Without leading and trailing blanks and tabs.
std::string_view TrimBlanks(std::string_view text);

// Without every leading and trailing double-quote character.
std::string_view StripDoubleQuotes(std::string_view text);

}  // namespace rastrel
