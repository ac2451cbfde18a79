#include "settings/ini.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <unordered_set>

#include "platform/bounded_read.h"

namespace rastrel {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = UpperAscii(c);
  return upper;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
// What the C library's isspace() accepts in the "C" locale.
bool IsCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool IsValidUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned char lead = *p;
    if (lead < 0x80) {
      ++p;
      continue;
    }
    int length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (end - p < length) return false;
    if (p[1] < low || p[1] > high) return false;
    for (int i = 2; i < length; ++i) {
      if (p[i] < 0x80 || p[i] > 0xBF) return false;
    }
    p += length;
  }
  return true;
}

std::string Latin1ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

// Text of the file as UTF-8. Bytes after a byte-order mark are kept exactly, so that a
// path that is not valid UTF-8 survives a save and a load unchanged.
std::string DecodeText(std::string_view bytes) {
  if (bytes.starts_with(kByteOrderMark)) return std::string(bytes.substr(kByteOrderMark.size()));
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Latin1ToUtf8(bytes);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return true;
}

}  // namespace

bool IniNamesEqual(std::string_view a, std::string_view b) { return EqualsNoCase(a, b); }

IniDocument ParseIni(std::string_view bytes) {
  const std::string text = DecodeText(bytes);
  IniDocument document;
  std::unordered_set<std::string> seenGroups;  // upper case
  IniGroup* current = nullptr;
  std::size_t entryCount = 0;

  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + pos, end - pos);
    pos = end + 1;

    while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
    if (line.empty() || line.front() == ';') continue;

    if (line.front() == '[') {
      line.remove_prefix(1);
      const std::string_view name = line.substr(0, line.find(']'));
      current = nullptr;
      if (document.groups.size() < kIniMaxGroups && seenGroups.insert(UpperAscii(name)).second) {
        document.groups.push_back(IniGroup{std::string(name), {}});
        current = &document.groups.back();
      }
      continue;
    }

    if (current == nullptr || line.size() > kIniMaxLineBytes || entryCount >= kIniMaxEntries) continue;
    const std::size_t equals = line.find('=');
    std::string_view key = line.substr(0, equals);
    while (!key.empty() && IsBlank(key.back())) key.remove_suffix(1);
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view() : TrimBlanks(line.substr(equals + 1));
    current->entries.push_back(IniEntry{std::string(key), std::string(value)});
    ++entryCount;
  }
  return document;
}

std::optional<IniDocument> ReadIniFile(const std::string& path) {
  std::optional<BoundedRead> read = ReadFileUpTo(path, kIniMaxFileBytes);
  if (!read) return std::nullopt;
  std::string_view bytes = read->bytes;
  if (read->truncated) {
    // The last line was cut by the limit: its value would be wrong, so it is left out.
    const std::size_t lastBreak = bytes.find_last_of("\r\n");
    bytes = lastBreak == std::string_view::npos ? std::string_view() : bytes.substr(0, lastBreak + 1);
  }
  return ParseIni(bytes);
}

const IniGroup* FindIniGroup(const IniDocument& document, std::string_view name) {
  for (const IniGroup& group : document.groups) {
    if (EqualsNoCase(group.name, name)) return &group;
  }
  return nullptr;
}

const std::string* FindIniValue(const IniGroup* group, std::string_view key) {
  if (group == nullptr) return nullptr;
  for (const IniEntry& entry : group->entries) {
    if (EqualsNoCase(entry.key, key)) return &entry.value;
  }
  return nullptr;
}

const std::string* FindIniValue(const IniDocument& document, std::string_view group, std::string_view key) {
  return FindIniValue(FindIniGroup(document, group), key);
}

std::int64_t ParseIniInteger(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulated as a negative number, whose range is one larger than the positive one.
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  std::int64_t value = 0;
  bool saturated = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    if (value < (kMin + digit) / 10) {
      saturated = true;
      continue;
    }
    value = value * 10 - digit;
  }
  if (saturated) return negative ? kMin : std::numeric_limits<std::int64_t>::max();
  if (negative) return value;
  return value == kMin ? std::numeric_limits<std::int64_t>::max() : -value;
}

double ParseIniFloat(std::string_view text) {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  const std::string_view trimmed = TrimBlanks(text);
  if (EqualsNoCase(trimmed, "+Infinity")) return kInfinity;
  if (EqualsNoCase(trimmed, "-Infinity")) return -kInfinity;
  if (EqualsNoCase(trimmed, "NaN")) return std::numeric_limits<double>::quiet_NaN();

  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i < text.size() && text[i] == '-') return 0.0;  // from_chars would take a second sign
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  double value = 0.0;
  const auto [stop, error] = std::from_chars(first, last, value, std::chars_format::general);
  if (error == std::errc::invalid_argument) return 0.0;
  if (error == std::errc::result_out_of_range) {
    // Too large or too small for a double: decide which from the written exponent, or
    // from the integer part when there is none.
    const std::string_view number(first, static_cast<std::size_t>(stop - first));
    const std::size_t exponent = number.find_first_of("eE");
    bool tiny;
    if (exponent != std::string_view::npos) {
      tiny = exponent + 1 < number.size() && number[exponent + 1] == '-';
    } else {
      const std::string_view integer = number.substr(0, number.find('.'));
      tiny = integer.find_first_not_of('0') == std::string_view::npos;
    }
    value = tiny ? 0.0 : kInfinity;
  }
  return negative ? -value : value;
}

std::string FormatIniFloat(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "+Infinity" : "-Infinity";
  char buffer[400];  // the largest double has 309 integer digits
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
  return std::string(buffer, result.ptr);
}

std::string ReadIniString(const IniDocument& document, std::string_view group, std::string_view key,
                          std::string_view fallback) {
  const std::string* value = FindIniValue(document, group, key);
  return value != nullptr ? *value : std::string(fallback);
}

std::int64_t ReadIniInteger(const IniDocument& document, std::string_view group, std::string_view key,
                            std::int64_t fallback) {
  const std::string* value = FindIniValue(document, group, key);
  return value != nullptr ? ParseIniInteger(*value) : fallback;
}

double ReadIniFloat(const IniDocument& document, std::string_view group, std::string_view key,
                    double fallback) {
  const std::string* value = FindIniValue(document, group, key);
  return value != nullptr ? ParseIniFloat(*value) : fallback;
}

IniWriter::IniWriter() { Line(kByteOrderMark); }

void IniWriter::Line(std::string_view text) {
  text_ += text;
  text_ += "\r\n";
}

void IniWriter::BeginGroup(std::string_view name) {
  if (groupOpen_) Line("; ");
  text_ += '[';
  text_ += name;
  Line("]");
  groupOpen_ = true;
}

void IniWriter::WriteString(std::string_view key, std::string_view value) {
  text_ += key;
  text_ += " = ";
  for (const char c : value) {
    if (c != '\r' && c != '\n') text_ += c;
  }
  text_ += "\r\n";
}

void IniWriter::WriteInteger(std::string_view key, std::int64_t value) {
  WriteString(key, std::to_string(value));
}

void IniWriter::WriteFloat(std::string_view key, double value) { WriteString(key, FormatIniFloat(value)); }

std::string IniWriter::Finish() {
  if (groupOpen_) Line("; ");
  groupOpen_ = false;
  return std::move(text_);
}

}  // namespace rastrel
