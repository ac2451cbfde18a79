#include "settings/vocabulary.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <limits>
#include <string>

#include "settings/settings.h"

namespace rastrel {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string MixedCase(std::string_view text) {
  std::string out(text);
  for (std::size_t i = 0; i < out.size(); i += 2)
    out[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(out[i])));
  return out;
}

TEST(KeywordToCode, EveryKeywordOfEveryListParsesInAnyCase) {
  for (int list = 0; list < kKeywordListCount; ++list) {
    const bool reverseOnly = list == kFrameKindList || list == kWatermarkKindList;
    ASSERT_FALSE(KeywordList(list).empty()) << list;
    EXPECT_EQ(KeywordList(list).front().code, 0) << "an unmatched keyword must select the first entry";
    for (const KeywordEntry& entry : KeywordList(list)) {
      const int expected = reverseOnly ? 0 : entry.code;
      EXPECT_EQ(KeywordToCode(list, entry.keyword), expected) << list << " " << entry.keyword;
      EXPECT_EQ(KeywordToCode(list, Lower(entry.keyword)), expected) << list << " " << entry.keyword;
      EXPECT_EQ(KeywordToCode(list, MixedCase(entry.keyword)), expected) << list << " " << entry.keyword;
    }
  }
}

TEST(CodeToKeyword, EveryCodeEchoesANameThatParsesBackToIt) {
  for (int list = 0; list < kKeywordListCount; ++list) {
    if (list == kFrameKindList || list == kWatermarkKindList) continue;
    for (const KeywordEntry& entry : KeywordList(list)) {
      const std::string name = CodeToKeyword(list, entry.code);
      ASSERT_FALSE(name.empty()) << list << " " << entry.code;
      EXPECT_EQ(name, Lower(name));
      EXPECT_EQ(KeywordToCode(list, name), entry.code) << list << " " << name;
    }
  }
}

TEST(CodeToKeyword, NamesTheFirstKeywordOfACode) {
  // Compression codes mean different things per format but echo one name each.
  const char* compression[] = {"none", "rle", "piz", "pxr24", "b44", "adobedeflate", "lzw", "jpeg", "logluv"};
  for (int code = 0; code < 9; ++code) EXPECT_EQ(CodeToKeyword(4, code), compression[code]) << code;

  struct Case {
    int list, code;
    const char* name;
  } cases[] = {{1, 4, "48hs"},
               {1, 5, "48"},
               {14, 1, "solid"},
               {15, 2, "image"},
               {17, 2, "strikethrought"},
               {20, 8, "bottomright"},
               {22, 2, "custom"},
               {21, 1, ""},
               {4, 9, ""},
               {12, -1, ""},
               {-1, 0, ""},
               {23, 0, ""}};
  for (const Case& c : cases) EXPECT_EQ(CodeToKeyword(c.list, c.code), c.name) << c.list << " " << c.code;
}

TEST(KeywordToCode, UnmatchedTextSelectsCodeZero) {
  struct Case {
    int list;
    const char* text;
    int code;
  } cases[] = {
      {12, "Lanczos", 5}, {12, "BICUBIC", 3}, {12, "BI CUBIC", 0}, {12, "BICUBIC ", 0},
      {12, "", 0},        {4, "ZIP", 1},      {4, "LZW", 6},       {4, "zlib9", 3},
      {20, "MIDDLE", 0},  {21, "SCALE", 0},   {13, "NONE", 0},     {13, "bayer8", 2},
      {14, "SOLID", 0},   {15, "IMAGE", 0},   {-1, "AUTO", 0},     {23, "AUTO", 0},
      {1, "48HS", 4},     {1, "48", 5},       {1, "4", 0},         {17, "STRIKETHROUGH", 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(KeywordToCode(c.list, c.text), c.code) << c.list << " '" << c.text << "'";
}

TEST(ParseIntegerValue, ReadsHexBinaryAndDecimalPrefixes) {
  struct Case {
    const char* text;
    std::int64_t value;
  } cases[] = {
      {"80", 80},
      {"$5A", 90},
      {"$5a", 90},
      {"%1010", 10},
      {"12px", 12},
      {"abc", 0},
      {"", 0},
      {"-", 0},
      {"$", 0},
      {"%", 0},
      {"$G1", 0},
      {"%102", 2},
      {" \t-20", -20},
      {"+7", 7},
      {"-$10", -16},
      {"+-5", 0},
      {"- 5", 0},
      {"5 6", 5},
      {"%-1", 0},
      {"1.9", 1},
      {"4294967297", 4294967297LL},
      {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
      {"$FFFFFFFFFFFFFFFF", -1},
      // Past 64 bits the value wraps around instead of overflowing.
      {"99999999999999999999", 7766279631452241919LL},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseIntegerValue(c.text), c.value) << "'" << c.text << "'";
}

TEST(ParseIntegerValue, FieldWidthKeepsTheLowBits) {
  EXPECT_EQ(ToInt32(ParseIntegerValue("4294967297")), 1);
  EXPECT_EQ(ToInt32(ParseIntegerValue("2147483648")), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(ToInt32(ParseIntegerValue("-1")), -1);
  EXPECT_EQ(ToInt8(ParseIntegerValue("300")), 44);
  EXPECT_EQ(ToInt8(ParseIntegerValue("$C8")), -56);
}

TEST(ParseGammaValue, ReadsDecimalsAndTheThreeSpecialWords) {
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* text;
    float value;
  } cases[] = {
      {"1.5", 1.5f},      {"2,2", 2.0f},    {"0.01", 0.01f},    {"9.99", 9.99f},    {".5", 0.5f},
      {"-0.25", -0.25f},  {"+3", 3.0f},     {" \t3", 3.0f},     {"1e1", 10.0f},     {"2.5x", 2.5f},
      {"abc", 0.0f},      {"", 0.0f},       {".", 0.0f},        {"-", 0.0f},        {"inf", 0.0f},
      {"Infinity", 0.0f}, {"nanx", 0.0f},   {"+Infinity", inf}, {"+INFINITY", inf}, {"-infinity", -inf},
      {"1e999", inf},     {"-1e999", -inf}, {"1e-999", 0.0f},   {"1e39", inf},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseGammaValue(c.text), c.value) << "'" << c.text << "'";
  EXPECT_TRUE(std::isnan(ParseGammaValue("NaN")));
  EXPECT_TRUE(std::isnan(ParseGammaValue("nan")));
}

TEST(TextValues, TrimAndQuoteStripping) {
  EXPECT_EQ(TrimBlanks(" \tLANCZOS \t"), "LANCZOS");
  EXPECT_EQ(TrimBlanks("  "), "");
  EXPECT_EQ(StripDoubleQuotes("\"\"a \"b\"\""), "a \"b");
  EXPECT_EQ(StripDoubleQuotes("\"\""), "");
  EXPECT_EQ(StripDoubleQuotes(" \"a\" "), " \"a\" ");
}

}  // namespace
}  // namespace rastrel
