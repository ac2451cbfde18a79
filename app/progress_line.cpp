#include "app/progress_line.h"

#include <algorithm>
#include <utility>

namespace rastrel {

namespace {

constexpr std::string_view kEllipsis = "...";
constexpr std::size_t kShortestName = 8;
// Return to the start of the line, then clear to its end.
constexpr std::string_view kStartOfLine = "\r";
constexpr std::string_view kClearToEnd = "\033[K";

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::size_t CodePoints(std::string_view text) {
  return static_cast<std::size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuationByte(c); }));
}

// Byte offset after the first `count` code points.
std::size_t PrefixBytes(std::string_view text, std::size_t count) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!IsContinuationByte(text[i])) {
      if (seen == count) return i;
      ++seen;
    }
  }
  return text.size();
}

// Byte offset where the last `count` code points begin.
std::size_t SuffixStart(std::string_view text, std::size_t count) {
  std::size_t seen = 0;
  for (std::size_t i = text.size(); i > 0; --i) {
    if (!IsContinuationByte(text[i - 1])) {
      if (seen == count) return i;
      ++seen;
    }
  }
  return 0;
}

// Control characters in a file name would move the cursor or end the line early.
std::string Printable(std::string_view text) {
  std::string clean;
  clean.reserve(text.size());
  for (const char c : text) clean.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c);
  return clean;
}

std::string_view FileNameOf(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string FormatDuration(std::int64_t milliseconds) {
  const std::int64_t seconds = std::max<std::int64_t>(milliseconds, 0) / 1000;
  const std::int64_t hours = seconds / 3600;
  const std::int64_t minutes = seconds / 60 % 60;
  const std::int64_t rest = seconds % 60;
  auto two = [](std::int64_t value) {
    std::string text = std::to_string(value);
    if (text.size() < 2) text.insert(text.begin(), '0');
    return text;
  };
  if (hours > 0) return std::to_string(hours) + ":" + two(minutes) + ":" + two(rest);
  return std::to_string(minutes) + ":" + two(rest);
}

std::string ShortenMiddle(std::string_view text, std::size_t width) {
  const std::size_t length = CodePoints(text);
  if (length <= width) return std::string(text);
  if (width <= kEllipsis.size()) return std::string(text.substr(0, PrefixBytes(text, width)));
  const std::size_t keep = width - kEllipsis.size();
  const std::size_t head = (keep + 1) / 2;
  const std::size_t tail = keep - head;
  std::string shortened(text.substr(0, PrefixBytes(text, head)));
  shortened += kEllipsis;
  shortened += text.substr(SuffixStart(text, tail));
  return shortened;
}

std::string ProgressText(const ProgressFacts& facts, int columns) {
  const std::size_t width = static_cast<std::size_t>(std::max(columns - 1, 1));
  const int finished = std::max(facts.current - 1, 0);
  std::string left = "?";
  if (finished > 0) {
    const std::int64_t perFile = facts.currentStartedMs / finished;
    const std::int64_t inHand = facts.elapsedMs - facts.currentStartedMs;
    left = FormatDuration(perFile * (facts.total - finished) - inHand);
  }
  const std::string counts = std::to_string(facts.current) + "/" + std::to_string(facts.total) + "  ";
  const std::string times = "  " + FormatDuration(facts.elapsedMs) + " elapsed, about " + left + " left";
  const std::string name = Printable(FileNameOf(facts.path));

  const std::size_t fixed = counts.size() + times.size();
  const std::size_t room = width > fixed ? width - fixed : 0;
  const std::string line = counts + ShortenMiddle(name, std::max(room, kShortestName)) + times;
  // A very narrow terminal gets the start of the line rather than a wrapped one.
  return std::string(line.substr(0, PrefixBytes(line, width)));
}

ProgressLine::ProgressLine(bool enabled, Writer write, int columns)
    : enabled_(enabled), write_(std::move(write)), columns_(columns) {}

void ProgressLine::Show(ProgressFacts facts) {
  if (!enabled_ || facts.current <= 0) return;
  if (facts.current != current_) {
    current_ = facts.current;
    currentStartedMs_ = facts.elapsedMs;
  }
  facts.currentStartedMs = currentStartedMs_;
  std::string text = ProgressText(facts, columns_);
  if (text == shown_) return;
  write_(std::string(kStartOfLine) + text + std::string(kClearToEnd));
  shown_ = std::move(text);
}

void ProgressLine::Erase() {
  if (!enabled_ || shown_.empty()) return;
  write_(std::string(kStartOfLine) + std::string(kClearToEnd));
  shown_.clear();
}

}  // namespace rastrel
