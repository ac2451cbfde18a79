// INI reading and writing for the settings file and for profile files.
//
// Reading (both kinds of file):
// - A leading UTF-8 byte-order mark is dropped and the rest taken as it stands. Without
//   the mark, text that is valid UTF-8 is taken as UTF-8 and anything else as Latin-1
//   (each byte one character), so an old file in a legacy encoding still reads.
// - Lines end at CR, LF or CR LF. Leading blanks and tabs are skipped; empty lines are
//   ignored; ";" starts a comment line.
// - "[name" up to the first "]" (or the line end) opens a group; the rest of the line is
//   ignored. Group names and keys compare without regard to ASCII letter case. Only the
//   first occurrence of a group counts: the lines under a repeated header are dropped.
// - A key line is key "=" value; the key loses trailing blanks and tabs, the value loses
//   leading and trailing ones, and may itself hold "=". A line without "=" is a key with
//   an empty value. Key lines before the first header belong to no group and are dropped.
// - Every key line of a group is kept in file order, repeats included: a profile applies
//   them all in turn, a settings lookup takes the first.
//
// Bounds, so that a hostile or broken file cannot exhaust memory or time: only the first
// kIniMaxFileBytes of a file are read (a line cut by that limit is dropped), a key line
// longer than kIniMaxLineBytes is dropped, and at most kIniMaxGroups groups and
// kIniMaxEntries key lines are kept. Real files are a few kilobytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rastrel {

inline constexpr std::size_t kIniMaxFileBytes = std::size_t{16} << 20;
inline constexpr std::size_t kIniMaxLineBytes = std::size_t{1} << 20;
inline constexpr std::size_t kIniMaxGroups = 4096;
inline constexpr std::size_t kIniMaxEntries = 65536;

struct IniEntry {
  std::string key;    // as written in the file
  std::string value;  // trimmed of blanks and tabs
};

struct IniGroup {
  std::string name;               // as written in the first header
  std::vector<IniEntry> entries;  // file order, repeated keys included
};

struct IniDocument {
  std::vector<IniGroup> groups;  // first occurrences only, in file order
};

IniDocument ParseIni(std::string_view bytes);
// nullopt when the file cannot be opened or read.
std::optional<IniDocument> ReadIniFile(const std::string& path);

bool IniNamesEqual(std::string_view a, std::string_view b);
const IniGroup* FindIniGroup(const IniDocument& document, std::string_view name);
// The value of the first line with that key, or nullptr.
const std::string* FindIniValue(const IniGroup* group, std::string_view key);
const std::string* FindIniValue(const IniDocument& document, std::string_view group, std::string_view key);

// Value conversions of the settings file. A missing key gives the default; a present one
// is converted even when that gives 0.
//
// Integers as the C library reads them: optional white space, an optional sign, decimal
// digits up to the first other character; no digits give 0. Computed in 64 bits,
// saturating instead of wrapping; the caller narrows to its field.
std::int64_t ParseIniInteger(std::string_view text);
// "+Infinity", "-Infinity" and "NaN" in any letter case, else a decimal floating-point
// number with "." as separator whatever the locale; no number gives 0.
double ParseIniFloat(std::string_view text);
std::string FormatIniFloat(double value);  // six decimals; "+Infinity", "-Infinity", "NaN"

std::string ReadIniString(const IniDocument& document, std::string_view group, std::string_view key,
                          std::string_view fallback);
std::int64_t ReadIniInteger(const IniDocument& document, std::string_view group, std::string_view key,
                            std::int64_t fallback);
double ReadIniFloat(const IniDocument& document, std::string_view group, std::string_view key,
                    double fallback);

// Builds the text of an INI file: a UTF-8 byte-order mark line, "[Group]" headers,
// "key = value" lines and a "; " line closing every group, each line ended by CR LF.
// Values are written unquoted; a CR or LF inside a value is left out so that no value can
// break into a line of its own.
class IniWriter {
 public:
  IniWriter();
  void BeginGroup(std::string_view name);  // closes the group before it
  void WriteString(std::string_view key, std::string_view value);
  void WriteInteger(std::string_view key, std::int64_t value);
  void WriteFloat(std::string_view key, double value);
  std::string Finish();  // closes the last group and hands over the text

 private:
  void Line(std::string_view text);
  std::string text_;
  bool groupOpen_ = false;
};

}  // namespace rastrel
