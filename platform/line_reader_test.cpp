#include "platform/line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace rastrel {
namespace {

struct Line {
  std::string text;
  bool truncated;
  bool operator==(const Line&) const = default;
};

std::vector<Line> ReadAll(const std::string& path) {
  std::vector<Line> lines;
  LineReader reader;
  if (!reader.Open(path)) return lines;
  Line line;
  while (reader.Next(line.text, line.truncated)) lines.push_back(line);
  return lines;
}

TEST(LineReader, SplitsAtEveryKindOfLineEnd) {
  fixtures::TempFolder tmp;
  // A CR LF split across two reads is still one line end.
  const std::string first(64 * 1024 - 1, 'a');
  const std::string overlong(LineReader::kMaxLine + 10, 'b');
  struct Case {
    std::string content;
    std::vector<Line> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"one", {{"one", false}}},
      {"one\n", {{"one", false}}},
      {"one\r\ntwo\rthree\nfour", {{"one", false}, {"two", false}, {"three", false}, {"four", false}}},
      {"\n\r\n\r", {{"", false}, {"", false}, {"", false}}},
      {"x\r\r\ny", {{"x", false}, {"", false}, {"y", false}}},
      {first + "\r\nnext", {{first, false}, {"next", false}}},
      {overlong + "\nafter", {{overlong.substr(0, LineReader::kMaxLine), true}, {"after", false}}},
  };
  int index = 0;
  for (const Case& c : cases) {
    const std::string path = tmp.Write("case" + std::to_string(index++), c.content);
    EXPECT_EQ(ReadAll(path), c.lines) << index;
  }
  LineReader reader;
  EXPECT_FALSE(reader.Open(tmp.path() + "missing"));
  std::string line;
  bool truncated = false;
  EXPECT_FALSE(reader.Next(line, truncated));
  // A folder opens but has no lines.
  EXPECT_TRUE(ReadAll(tmp.path()).empty());
}

}  // namespace
}  // namespace rastrel
