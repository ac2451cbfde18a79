#include "formats/signature.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/bounded_read.h"

namespace rastrel {
namespace {

constexpr std::size_t kHeadBytes = 20;

// Every pattern starts at offset 0. Only one row can match a given file, except that a
// CR2 file also matches the TIFF (LE) row before it, which it then replaces.
constexpr SignatureRow kRows[] = {
    {"00 00 01 00", "ICO"},
    {"00 00 01 B3", "MPEG"},
    {"00 00 01 BA", "MPG/VOB"},
    {"1A 45 DF A3", "MKV/MKA/WEBM"},
    {"1B 4C 75 61", "LUAC"},
    {"1F 8B", "GZ"},
    {"25 21 50 53", "PS"},
    {"25 50 44 46 2D", "PDF"},
    {"2A 2A 41 43 45 2A 2A", "ACE"},
    {"2F 2A 20 58 50 4D 20 2A 2F", "XPM"},
    {"30 26 B2 75 8E 66 CF 11 A6 D9 00 AA 00 62 CE 6C", "ASF/WMA/WMV"},
    {"31 0A 30 30", "SRT"},
    {"37 7A BC AF 27 1C", "7Z"},
    {"38 42 50 53", "PSD"},
    {"41 47 44 33", "FH8"},
    {"41 54 26 54 46 4F 52 4D ?? ?? ?? ?? 44 4A 56", "DJVU"},
    {"42 4C 45 4E 44 45 52", "BLEND"},
    {"42 4D", "BMP"},
    {"42 50 47 FB", "BPG"},
    {"42 5A 68", "BZ2"},
    {"43 57 53", "SWF"},
    {"44 52 41 43 4F", "DRC"},
    {"46 4C 49 46", "FLIF"},
    {"46 57 53", "SWF"},
    {"46 4C 56", "FLV"},
    {"47 49 46 38 37 61", "GIF87A"},
    {"47 49 46 38 39 61", "GIF89A"},
    {"49 49 2A 00", "TIFF (LE)"},
    {"49 49 2A 00 10 00 00 00 43 52", "CR2"},
    {"49 54 53 46 03 00 00 00 60 00 00 00", "CHM"},
    {"49 44 33", "MP3/ID3V2"},
    {"49 53 63 28", "CAB (IS)"},
    {"4C 5A 49 50", "LZ"},
    {"4D 4C 56 49", "MLV"},
    {"4D 4D 00 2A", "TIFF (BE)"},
    {"4D 53 43 46", "CAB"},
    {"4D 54 68 64", "MID/MIDI"},
    {"4D 5A", "EXE/DLL (MZ/PE/NE)"},
    {"4E 55 52 55 49 4D 47", "NUI"},
    {"4E 55 52 55 50 41 4C", "NUP"},
    {"4F 67 67 53", "OGG/OGA/OGV"},
    {"50 31 0A", "PBM"},
    {"50 32 0A", "PGM"},
    {"50 33 0A", "PPM"},
    {"50 4B 03 04", "ZIP"},
    {"50 4B 05 06", "ZIP (E)"},
    {"50 4B 07 08", "ZIP (S)"},
    {"52 49 46 46 ?? ?? ?? ?? 41 43 4F 4E", "ANI"},
    {"52 49 46 46 ?? ?? ?? ?? 41 56 49 20", "AVI"},
    {"52 49 46 46 ?? ?? ?? ?? 57 41 56 45", "WAV"},
    {"52 49 46 46 ?? ?? ?? ?? 57 45 42 50", "WEBP"},
    {"52 61 72 21 1A 07 00", "RAR (1.5+)"},
    {"52 61 72 21 1A 07 01 00", "RAR (5.0+)"},
    {"53 44 50 58", "DPX (BE)"},
    {"53 51 4C 69 74 65 20 66 6F 72 6D 61 74 20 33 00", "SQLITE/DB"},
    {"58 50 44 53", "DPX (LE)"},
    {"5A 4D", "EXE (ZM)"},
    {"60 EA", "ARJ"},
    {"66 4C 61 43", "FLAC"},
    {"66 74 79 70 33 67", "3GP"},
    {"67 69 6D 70 20 78 63 66", "XCF"},
    {"74 6F 78 33", "TOX"},
    {"76 2F 31 01", "EXR"},
    {"78 61 72 21", "XAR"},
    {"7B 5C 72 74 66 31", "RTF"},
    {"80 2A 5F D7", "CIN"},
    {"89 50 4E 47 0D 0A 1A 0A", "PNG"},
    {"CA FE BA BE", "CLASS"},
    {"CF 84 01", "LEP"},
    {"D0 CF 11 E0 A1 B1 1A E1", "DOC/XLS/PPT"},
    {"D7 CD C6 9A", "WMF"},
    {"FD 37 7A 58 5A 00", "XZ"},
    {"FF D8 FF DB", "JPG"},
    {"FF D8 FF E0 00 10 4A 46 49 46 00 01", "JPEG/JFIF"},
    {"FF D8 FF EE", "JPEG"},
    {"FF D8 FF E1 ?? ?? 45 78 69 66 00 00", "JPEG/EXIF"},
    {"FF F2", "MP3"},
    {"FF F3", "MP3"},
    {"FF FB", "MP3"},
};

struct CompiledRow {
  std::array<std::uint8_t, kHeadBytes> bytes{};
  std::array<bool, kHeadBytes> tested{};
  std::size_t length = 0;
};

constexpr int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A pattern is "XX XX ..." with upper-case hex or "??", at most kHeadBytes long, and its
// first byte is tested (rows are grouped by it).
constexpr bool WellFormed(std::string_view pattern) {
  if (pattern.size() < 2 || (pattern.size() + 1) % 3 != 0 || (pattern.size() + 1) / 3 > kHeadBytes)
    return false;
  for (std::size_t i = 0; i < pattern.size(); i += 3) {
    const bool wildcard = pattern[i] == '?' && pattern[i + 1] == '?';
    if (!wildcard && (HexValue(pattern[i]) < 0 || HexValue(pattern[i + 1]) < 0)) return false;
    if (wildcard && i == 0) return false;
    if (i + 2 < pattern.size() && pattern[i + 2] != ' ') return false;
  }
  return true;
}

constexpr CompiledRow Compile(std::string_view pattern) {
  CompiledRow row;
  for (std::size_t i = 0; i < pattern.size(); i += 3, ++row.length) {
    if (pattern[i] == '?') continue;
    row.tested[row.length] = true;
    row.bytes[row.length] = static_cast<std::uint8_t>(HexValue(pattern[i]) * 16 + HexValue(pattern[i + 1]));
  }
  return row;
}

constexpr std::size_t kRowCount = std::size(kRows);

constexpr bool TableWellFormed() {
  for (std::size_t i = 0; i < kRowCount; ++i) {
    if (!WellFormed(kRows[i].pattern)) return false;
    // Groups must be contiguous and ascending.
    if (i > 0 && Compile(kRows[i - 1].pattern).bytes[0] > Compile(kRows[i].pattern).bytes[0]) return false;
  }
  return true;
}
static_assert(TableWellFormed(), "signature rows must be well-formed and grouped by ascending first byte");

constexpr std::array<CompiledRow, kRowCount> kCompiled = [] {
  std::array<CompiledRow, kRowCount> compiled{};
  for (std::size_t i = 0; i < kRowCount; ++i) compiled[i] = Compile(kRows[i].pattern);
  return compiled;
}();

// For each first byte, the half-open range of its group's rows.
struct Group {
  std::uint8_t begin = 0;
  std::uint8_t end = 0;
};
static_assert(kRowCount < 256);
constexpr std::array<Group, 256> kGroups = [] {
  std::array<Group, 256> groups{};
  for (std::size_t i = 0; i < kRowCount; ++i) {
    Group& group = groups[kCompiled[i].bytes[0]];
    if (group.begin == group.end) group.begin = static_cast<std::uint8_t>(i);
    group.end = static_cast<std::uint8_t>(i + 1);
  }
  return groups;
}();

bool Matches(const CompiledRow& row, std::string_view head) {
  if (row.length > head.size()) return false;
  for (std::size_t i = 0; i < row.length; ++i) {
    if (row.tested[i] && static_cast<std::uint8_t>(head[i]) != row.bytes[i]) return false;
  }
  return true;
}

}  // namespace

std::span<const SignatureRow> SignatureTable() { return kRows; }

std::string_view IdentifyBytes(std::string_view head) {
  std::string_view result = kUnrecognizedSignature;
  if (head.empty()) return result;
  head = head.substr(0, kHeadBytes);
  const Group group = kGroups[static_cast<std::uint8_t>(head[0])];
  for (std::size_t i = group.begin; i < group.end; ++i) {
    if (Matches(kCompiled[i], head)) result = kRows[i].name;
  }
  return result;
}

std::string IdentifySignature(const std::string& path) {
  const auto head = ReadFileUpTo(path, kHeadBytes);
  return std::string(head ? IdentifyBytes(head->bytes) : kUnrecognizedSignature);
}

}  // namespace rastrel
