#include "settings/ini.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <optional>

namespace rastrel {
namespace {

struct LookupCase {
  const char* name;
  std::string file;
  const char* group;
  const char* key;
  std::optional<std::string> expected;  // nullopt: the key is not found
};

TEST(ParseIni, LookupRules) {
  const std::string bom = "\xEF\xBB\xBF";
  const LookupCase cases[] = {
      {"LF line ends", "[G]\nk=1\nj=2\n", "G", "j", "2"},
      {"CR LF line ends", "[G]\r\nk=1\r\nj=2\r\n", "G", "j", "2"},
      {"CR line ends", "[G]\rk=1\rj=2", "G", "j", "2"},
      {"group and key ignore letter case", "[output]\njpg quality = 80\n", "Output", "JPG Quality", "80"},
      {"first group occurrence wins", "[G]\nk=1\n[H]\n[g]\nk=2\nj=3\n", "G", "k", "1"},
      {"repeated group's lines are dropped", "[G]\nk=1\n[H]\n[g]\nj=3\n", "G", "j", std::nullopt},
      {"first key wins", "[G]\nk=1\nK=2\n", "G", "k", "1"},
      {"read stays inside its group", "[G]\n[H]\nk=1\n", "G", "k", std::nullopt},
      {"value trimmed, key loses trailing blanks", "[G]\n\t k \t=  \t a b \t\n", "G", "k", "a b"},
      {"value may hold '='", "[G]\nk = a=b = c\n", "G", "k", "a=b = c"},
      {"line without '=' is a key with empty value", "[G]\nflag\n", "G", "flag", ""},
      {"comment line is no key", "[G]\n ;k=1\n", "G", ";k", std::nullopt},
      {"indented header", "  \t[G]\nk=1\n", "G", "k", "1"},
      {"rest of header line ignored", "[G] junk ]\nk=1\n", "G", "k", "1"},
      {"header without closing bracket", "[G\nk=1\n", "G", "k", "1"},
      {"keys before any header belong nowhere", "k=1\n[G]\n", "G", "k", std::nullopt},
      {"blank lines skipped", "\n\n[G]\n\n   \n\nk=1\n", "G", "k", "1"},
      {"byte-order mark dropped", bom + "[G]\nk=1\n", "G", "k", "1"},
      {"UTF-8 after the mark kept", bom + "[G]\nk=\xC3\x84\n", "G", "k", "\xC3\x84"},
      {"valid UTF-8 without the mark kept", "[G]\nk=\xC3\xA9t\xC3\xA9\n", "G", "k", "\xC3\xA9t\xC3\xA9"},
      {"invalid UTF-8 without the mark read as Latin-1", "[G]\nk=\xE9t\xE9\n", "G", "k", "\xC3\xA9t\xC3\xA9"},
      {"overlong UTF-8 form counts as Latin-1", "[G]\nk=\xC0\xAF\n", "G", "k", "\xC3\x80\xC2\xAF"},
      {"odd bytes after the mark survive unchanged", bom + "[G]\nk=/tmp/\xFF\xFE\n", "G", "k",
       "/tmp/\xFF\xFE"},
      {"empty file", "", "G", "k", std::nullopt},
  };
  for (const LookupCase& c : cases) {
    const IniDocument document = ParseIni(c.file);
    const std::string* value = FindIniValue(document, c.group, c.key);
    if (c.expected) {
      ASSERT_NE(value, nullptr) << c.name;
      EXPECT_EQ(*value, *c.expected) << c.name;
    } else {
      EXPECT_EQ(value, nullptr) << c.name;
    }
  }
}

TEST(ParseIni, KeepsEveryKeyLineOfAGroupInFileOrder) {
  const IniDocument document =
      ParseIni("[cli]\n--JPG-QUALITY = 70\n; note\n--width=5\n--jpg-quality = 90\n[X]\na=1");
  const IniGroup* group = FindIniGroup(document, "CLI");
  ASSERT_NE(group, nullptr);
  ASSERT_EQ(group->entries.size(), 3u);
  EXPECT_EQ(group->entries[0].key, "--JPG-QUALITY");
  EXPECT_EQ(group->entries[1].key, "--width");
  EXPECT_EQ(group->entries[2].value, "90");
}

TEST(ParseIni, DropsOverlongKeyLinesButKeepsTheRest) {
  const std::string huge(kIniMaxLineBytes + 1, 'x');
  const IniDocument document = ParseIni("[G]\na=" + huge + "\nb=2\n");
  EXPECT_EQ(FindIniValue(document, "G", "a"), nullptr);
  ASSERT_NE(FindIniValue(document, "G", "b"), nullptr);
}

TEST(ParseIni, KeepsAtMostTheEntryLimit) {
  std::string file = "[G]\n";
  for (std::size_t i = 0; i < kIniMaxEntries + 10; ++i) file += "k\n";
  file += "[H]\nlast=1\n";
  const IniDocument document = ParseIni(file);
  EXPECT_EQ(FindIniGroup(document, "G")->entries.size(), kIniMaxEntries);
  EXPECT_EQ(FindIniValue(document, "H", "last"), nullptr);
}

TEST(ParseIni, KeepsAtMostTheGroupLimit) {
  std::string file;
  for (std::size_t i = 0; i < kIniMaxGroups + 10; ++i)
    file += "[g" + std::to_string(i) + "]\nk=" + std::to_string(i) + "\n";
  const IniDocument document = ParseIni(file);
  EXPECT_EQ(document.groups.size(), kIniMaxGroups);
  ASSERT_NE(FindIniValue(document, "g" + std::to_string(kIniMaxGroups - 1), "k"), nullptr);
  EXPECT_EQ(FindIniValue(document, "g" + std::to_string(kIniMaxGroups), "k"), nullptr);
}

TEST(ParseIniInteger, ReadsLikeTheCLibrary) {
  constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
  constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
  const struct {
    const char* text;
    std::int64_t expected;
  } cases[] = {
      {"80", 80},
      {"-5", -5},
      {"+7", 7},
      {" \t\n12px", 12},
      {"high", 0},
      {"", 0},
      {"$5A", 0},
      {"- 5", 0},
      {"0x10", 0},
      {"007", 7},
      {"1.9", 1},
      {"9223372036854775807", kMax},
      {"99999999999999999999", kMax},
      {"-9223372036854775808", kMin},
      {"-99999999999999999999", kMin},
      {"4294967297", 4294967297},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseIniInteger(c.text), c.expected) << c.text;
}

TEST(ParseIniFloat, ReadsNumbersAndNamedValues) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const struct {
    const char* text;
    double expected;
  } cases[] = {
      {"2.2", 2.2},    {"+Infinity", kInf}, {"-INFINITY", -kInf}, {"  -1.5e2", -150.0},
      {"2,2", 2.0},    {".5", 0.5},         {"+3", 3.0},          {"abc", 0.0},
      {"", 0.0},       {"+-5", 0.0},        {"1e999", kInf},      {"-1e999", -kInf},
      {"1e-999", 0.0}, {"7px", 7.0},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseIniFloat(c.text), c.expected) << c.text;
  EXPECT_TRUE(std::isnan(ParseIniFloat("nan")));
  EXPECT_TRUE(std::isnan(ParseIniFloat("NaN")));
}

TEST(FormatIniFloat, SixDecimalsAndNamedValues) {
  EXPECT_EQ(FormatIniFloat(1.0), "1.000000");
  EXPECT_EQ(FormatIniFloat(static_cast<double>(2.2f)), "2.200000");
  EXPECT_EQ(FormatIniFloat(-0.25), "-0.250000");
  EXPECT_EQ(FormatIniFloat(std::numeric_limits<double>::infinity()), "+Infinity");
  EXPECT_EQ(FormatIniFloat(-std::numeric_limits<double>::infinity()), "-Infinity");
  EXPECT_EQ(FormatIniFloat(std::numeric_limits<double>::quiet_NaN()), "NaN");
  EXPECT_EQ(FormatIniFloat(1e300).size(), 301u + 7u);
}

TEST(IniWriter, WritesTheFileLayout) {
  IniWriter writer;
  writer.BeginGroup("General");
  writer.WriteInteger("CFG", 19);
  writer.WriteString("Language", "en");
  writer.BeginGroup("Window");
  writer.BeginGroup("Adjustment");
  writer.WriteFloat("Image Gamma", 2.2f);
  writer.WriteString("Text", "one\r\ntwo\nthree");
  EXPECT_EQ(writer.Finish(),
            "\xEF\xBB\xBF\r\n"
            "[General]\r\nCFG = 19\r\nLanguage = en\r\n; \r\n"
            "[Window]\r\n; \r\n"
            "[Adjustment]\r\nImage Gamma = 2.200000\r\nText = onetwothree\r\n; \r\n");
}

TEST(IniWriter, WrittenTextReadsBack) {
  IniWriter writer;
  writer.BeginGroup("A");
  writer.WriteString("Path", "/home/u/\xC3\xA4 x=y");
  writer.WriteInteger("N", -42);
  const IniDocument document = ParseIni(writer.Finish());
  EXPECT_EQ(ReadIniString(document, "a", "path", ""), "/home/u/\xC3\xA4 x=y");
  EXPECT_EQ(ReadIniInteger(document, "A", "N", 0), -42);
  EXPECT_EQ(ReadIniInteger(document, "A", "missing", 7), 7);
  EXPECT_EQ(ReadIniFloat(document, "A", "missing", 1.5), 1.5);
}

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/rastrel-ini-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = pattern;
    path_ = folder_ + "/f.ini";
  }
  void TearDown() override {
    std::remove(path_.c_str());
    ::rmdir(folder_.c_str());
  }
  void Write(const std::string& bytes) {
    std::ofstream out(path_, std::ios::binary);
    out << bytes;
  }
  std::string folder_;
  std::string path_;
};

TEST_F(IniFileTest, MissingFileOrFolderCannotBeOpened) {
  EXPECT_FALSE(ReadIniFile(path_).has_value());
  EXPECT_FALSE(ReadIniFile(folder_).has_value());
  Write("");
  const auto document = ReadIniFile(path_);
  ASSERT_TRUE(document.has_value());
  EXPECT_TRUE(document->groups.empty());
}

TEST_F(IniFileTest, ReadsOnlyTheLimitAndDropsTheLineItCuts) {
  std::string bytes = "[G]\nfirst=1\n;";
  bytes.append(kIniMaxFileBytes - bytes.size() - 8, 'c');
  bytes += "\ncut=123456789\nafter=1\n";
  Write(bytes);
  const auto document = ReadIniFile(path_);
  ASSERT_TRUE(document.has_value());
  EXPECT_EQ(ReadIniString(*document, "G", "first", ""), "1");
  EXPECT_EQ(FindIniValue(*document, "G", "cut"), nullptr);
  EXPECT_EQ(FindIniValue(*document, "G", "after"), nullptr);
}

}  // namespace
}  // namespace rastrel
