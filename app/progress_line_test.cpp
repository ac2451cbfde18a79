#include "app/progress_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rastrel {
namespace {

std::size_t Characters(const std::string& text) {
  std::size_t count = 0;
  for (const char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

TEST(ProgressLine, DurationsAndShortenedNames) {
  EXPECT_EQ(FormatDuration(0), "0:00");
  EXPECT_EQ(FormatDuration(65'400), "1:05");
  EXPECT_EQ(FormatDuration(7'384'000), "2:03:04");
  EXPECT_EQ(FormatDuration(-5), "0:00");

  struct Case {
    std::string text;
    std::size_t width;
    std::string shortened;
  };
  const Case cases[] = {
      {"short.tif", 20, "short.tif"},
      {"abcdefghijklmnopqrstuvwxyz", 9, "abc...xyz"},
      {"a-very-long-file-name.tif", 3, "a-v"},
      // Cut between characters, never inside one.
      {"\xC3\xA9t\xC3\xA9-\xC3\xA0-la-plage.tif", 9, "\xC3\xA9t\xC3\xA9...tif"},
  };
  for (const Case& c : cases) EXPECT_EQ(ShortenMiddle(c.text, c.width), c.shortened) << c.text;
}

TEST(ProgressLine, TextShowsCountsNameAndTimesWithinTheWidth) {
  ProgressFacts facts;
  facts.current = 3;
  facts.total = 10;
  facts.path = "/scans/2023/page-0003.tif";
  facts.elapsedMs = 25'000;
  facts.currentStartedMs = 20'000;  // two files took 10 s each; 5 s spent on the third
  EXPECT_EQ(ProgressText(facts, 80), "3/10  page-0003.tif  0:25 elapsed, about 1:15 left");

  facts.current = 1;
  facts.currentStartedMs = 0;
  EXPECT_EQ(ProgressText(facts, 80), "1/10  page-0003.tif  0:25 elapsed, about ? left");

  facts.current = 3;
  facts.currentStartedMs = 20'000;
  facts.path = "/scans/an-exceedingly-long-name-that-cannot-fit-on-a-narrow-terminal.tif";
  for (const int columns : {80, 60, 40, 20, 1}) {
    const std::string text = ProgressText(facts, columns);
    EXPECT_LE(Characters(text), static_cast<std::size_t>(std::max(columns - 1, 1))) << columns;
    if (columns >= 20) {
      EXPECT_EQ(text.rfind("3/10  an-", 0), 0u) << text;
    }
  }
  facts.path = "bad\nname\033[2J.tif";
  EXPECT_EQ(ProgressText(facts, 80).find_first_of("\n\033"), std::string::npos);
}

TEST(ProgressLine, RedrawsOnlyOnChangeAndErasesWhatItShowed) {
  std::vector<std::string> writes;
  ProgressLine line(
      true, [&](std::string_view bytes) { writes.emplace_back(bytes); }, 80);
  line.Erase();                      // nothing shown yet
  line.Show({0, 4, "a.tif", 0, 0});  // before the first file: nothing to say
  line.Show({1, 4, "a.tif", 100, 0});
  line.Show({1, 4, "a.tif", 400, 0});  // same second: same text
  line.Show({2, 4, "b.tif", 1'000, 0});
  line.Erase();
  line.Erase();
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[0], "\r1/4  a.tif  0:00 elapsed, about ? left\033[K");
  EXPECT_EQ(writes[1], "\r2/4  b.tif  0:01 elapsed, about 0:03 left\033[K");
  EXPECT_EQ(writes[2], "\r\033[K");

  std::vector<std::string> none;
  ProgressLine off(
      false, [&](std::string_view bytes) { none.emplace_back(bytes); }, 80);
  off.Show({1, 4, "a.tif", 100, 0});
  off.Erase();
  EXPECT_TRUE(none.empty());
}

}  // namespace
}  // namespace rastrel
