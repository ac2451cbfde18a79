#include <gtest/gtest.h>

#include <string>

#include "app/fill_template.h"
#include "app/help_text.h"
#include "app/identity.h"

namespace rastrel {
namespace {

TEST(VersionText, DotsBetweenDigitsAndNoTrailingZero) {
  const struct {
    int number;
    const char* text;
  } cases[] = {{330, "3.3"}, {331, "3.3.1"}, {300, "3.0"}, {310, "3.1"}, {109, "1.0.9"}, {100, "1.0"}};
  for (const auto& c : cases) EXPECT_EQ(VersionText(c.number), c.text) << c.number;
  EXPECT_EQ(TitleText(), "Rastrel 3.3");
}

TEST(FillTemplate, ReplacesEachPlaceholderInTurnIgnoringCase) {
  const struct {
    const char* text;
    const char* v1;
    const char* v2;
    const char* v3;
    const char* v4;
    const char* result;
  } cases[] = {
      {"Files converted: %s1% of %s2%", "3", "5", "", "", "Files converted: 3 of 5"},
      {"%S1%-%s1%-%S2%", "a", "b", "", "", "a-a-b"},
      {"%s4%%s3%%s2%%s1%", "1", "2", "3", "4", "4321"},
      {"keep %s1% and %s2%", "", "x", "", "", "keep %s1% and x"},  // empty value: stays
      {"", "a", "b", "c", "d", ""},
      {"%s1", "a", "", "", "", "%s1"},
      // Later steps work on the result of earlier ones.
      {"%s1%", "%s2%", "two", "", "", "two"},
      {"100%s1%%", "5", "", "", "", "1005%"},
  };
  for (const auto& c : cases) EXPECT_EQ(FillTemplate(c.text, c.v1, c.v2, c.v3, c.v4), c.result) << c.text;
}

TEST(HelpLines, FillsNameAndFormatsAndAlignsDescriptions) {
  const std::vector<std::string> lines = HelpLines("scanconv", "tiff", "jpg");
  ASSERT_EQ(lines.size(), 38u);
  EXPECT_EQ(lines[0], " ");
  EXPECT_EQ(lines[1], "Usage: scanconv -i <filename> [options]");
  EXPECT_EQ(lines[3], "  scanconv -i example.tiff");
  EXPECT_EQ(lines[5], "  scanconv -i /tmp/example.tiff -o /converted");
  EXPECT_EQ(lines[8], "  scanconv -i /tmp/ -o /converted -c jpg --jpg-quality=95");
  EXPECT_EQ(lines[37], "  -v, --version             Display version information and exit");
  for (std::size_t i = 10; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    EXPECT_FALSE(line.empty()) << "line " << i + 1 << " must hold at least one space";
    if (line.size() > 2 && line[2] != ' ' && line.starts_with("  ")) {
      ASSERT_GT(line.size(), 28u) << line;
      EXPECT_EQ(line[27], ' ') << line;
      EXPECT_NE(line[28], ' ') << "description must start in column 29: " << line;
    }
  }
  EXPECT_EQ(lines[30], "    ...                     Refer documentation for all available options");
}

}  // namespace
}  // namespace rastrel
