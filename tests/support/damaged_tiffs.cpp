#include "tests/support/damaged_tiffs.h"

#include <tiffio.h>

#include <fstream>
#include <set>

#include "tests/support/temp_folder.h"
#include "tests/support/tiff_fixtures.h"

namespace rastrel::fixtures {
namespace {

constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;
constexpr std::size_t kEntryBytes = 12;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
    bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
  return bytes;
}

std::string FixtureBytes(const std::vector<PageSpec>& pages) {
  TempFolder folder;
  const std::string path = folder.path() + "fixture.tif";
  return WriteTiff(path, pages) ? ReadBytes(path) : std::string();
}

std::string RgbFaxBytes() {
  return FixtureBytes({{PageKind::Rgb24Lzw, 64, 48}, {PageKind::BilevelMinIsWhiteG4, 64, 48}});
}

void Add(std::vector<NamedFile>& files, std::string name, std::string bytes) {
  if (!bytes.empty()) files.push_back({std::move(name) + ".tif", std::move(bytes)});
}

// Cut at fixed small offsets (inside the header and the first directory pointer) and at
// fractions of the file, which fall in the strips and in the directories behind them.
void AddTruncations(std::vector<NamedFile>& files, const std::string& tag, const std::string& bytes) {
  std::set<std::size_t> cuts{4, 7, 8, 12, 100};
  for (int eighth = 1; eighth < 8; ++eighth) cuts.insert(bytes.size() * static_cast<std::size_t>(eighth) / 8);
  for (std::size_t back : {40, 12, 1}) cuts.insert(bytes.size() - back);
  for (std::size_t cut : cuts) {
    if (cut > 0 && cut < bytes.size())
      Add(files, "truncated-" + tag + "-at-" + std::to_string(cut), bytes.substr(0, cut));
  }
}

void AddHeaderFlips(std::vector<NamedFile>& files, const std::string& bytes) {
  constexpr unsigned char kMasks[8] = {0x01, 0x40, 0x02, 0x80, 0x01, 0x10, 0x80, 0x40};
  for (std::size_t i = 0; i < 8 && i < bytes.size(); ++i) {
    std::string damaged = bytes;
    damaged[i] = static_cast<char>(damaged[i] ^ kMasks[i]);
    Add(files, "flip-header-" + std::to_string(i), std::move(damaged));
  }
}

// One flip in every entry of the first directory: alternately a low bit of the value (a
// nearby but wrong value) and its top bit (a value far out of any range).
void AddEntryFlips(std::vector<NamedFile>& files, const std::string& bytes) {
  const ClassicTiff tiff(bytes);
  const std::vector<std::size_t> ifds = tiff.Directories();
  if (ifds.empty()) return;
  const std::size_t count = tiff.Get16(ifds[0]);
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t entry = ifds[0] + 2 + k * kEntryBytes;
    if (entry + kEntryBytes > bytes.size()) break;
    ClassicTiff damaged(bytes);
    const std::uint16_t tag = tiff.Get16(entry);
    const bool low = k % 2 == 0;
    damaged.bytes()[entry + 8 + (low ? 0 : 3)] ^= static_cast<char>(low ? 0x04 : 0x80);
    Add(files, "flip-entry-" + std::to_string(tag), damaged.bytes());
  }
  // The type and the count of the first entry.
  ClassicTiff type(bytes);
  type.bytes()[ifds[0] + 2 + 2] ^= 0x08;
  Add(files, "flip-entry-type", type.bytes());
  ClassicTiff count32(bytes);
  count32.bytes()[ifds[0] + 2 + 7] ^= static_cast<char>(0x80);
  Add(files, "flip-entry-count", count32.bytes());
}

// Flips in the compressed strip of each page: LZW codes of the first, fax codes of the second.
void AddDataFlips(std::vector<NamedFile>& files, const std::string& bytes) {
  const ClassicTiff tiff(bytes);
  const std::vector<std::size_t> ifds = tiff.Directories();
  for (std::size_t page = 0; page < ifds.size() && page < 2; ++page) {
    const auto offset = tiff.Value(ifds[page], TIFFTAG_STRIPOFFSETS);
    const auto length = tiff.Value(ifds[page], TIFFTAG_STRIPBYTECOUNTS);
    if (!offset || !length || *length < 8 || *offset + *length > bytes.size()) continue;
    for (std::uint32_t part : {0u, 1u, 2u, 3u, 4u}) {
      std::string damaged = bytes;
      const std::size_t at = *offset + 1 + (*length - 2) * part / 4;
      for (std::size_t i = at; i < at + 3 && i < *offset + *length; ++i)
        damaged[i] = static_cast<char>(damaged[i] ^ 0xA5);
      Add(files, "flip-data-page" + std::to_string(page + 1) + "-" + std::to_string(part),
          std::move(damaged));
    }
  }
}

void AddLoops(std::vector<NamedFile>& files, const std::string& bytes) {
  const ClassicTiff tiff(bytes);
  const std::vector<std::size_t> ifds = tiff.Directories();
  if (ifds.size() < 2) return;
  const auto bend = [&](const std::string& name, std::size_t from, std::uint32_t to) {
    ClassicTiff damaged(bytes);
    if (const auto next = damaged.NextPointer(from)) {
      damaged.Put32(*next, to);
      Add(files, name, damaged.bytes());
    }
  };
  bend("ifd-loop-self", ifds[0], static_cast<std::uint32_t>(ifds[0]));
  bend("ifd-loop-back", ifds[1], static_cast<std::uint32_t>(ifds[0]));
  bend("ifd-loop-second-self", ifds[1], static_cast<std::uint32_t>(ifds[1]));
  bend("ifd-next-past-end", ifds[1], static_cast<std::uint32_t>(bytes.size() + 100));
  bend("ifd-next-into-header", ifds[1], 1);
}

void AddSizes(std::vector<NamedFile>& files, const std::string& bytes) {
  const struct {
    const char* name;
    std::uint32_t width, height;
  } sizes[] = {
      {"huge-100000x100000", 100000, 100000},
      {"huge-max-x-max", 0xFFFFFFFFu, 0xFFFFFFFFu},
      {"huge-65535x65535", 65535, 65535},
      {"huge-1-x-max", 1, 0xFFFFFFFFu},
      {"huge-width-zero", 0, 48},
      {"huge-height-zero", 64, 0},
  };
  for (const auto& size : sizes) {
    ClassicTiff damaged(bytes);
    const std::vector<std::size_t> ifds = damaged.Directories();
    if (ifds.empty()) continue;
    damaged.SetValue(ifds[0], TIFFTAG_IMAGEWIDTH, size.width);
    damaged.SetValue(ifds[0], TIFFTAG_IMAGELENGTH, size.height);
    Add(files, size.name, damaged.bytes());
  }
  // A huge page whose strip layout agrees with its size: nothing but the size is wrong.
  ClassicTiff agreeing(bytes);
  if (const std::vector<std::size_t> ifds = agreeing.Directories(); !ifds.empty()) {
    agreeing.SetValue(ifds[0], TIFFTAG_IMAGEWIDTH, 40000);
    agreeing.SetValue(ifds[0], TIFFTAG_IMAGELENGTH, 40000);
    agreeing.SetValue(ifds[0], TIFFTAG_ROWSPERSTRIP, 40000);
    Add(files, "huge-40000x40000-one-strip", agreeing.bytes());
  }
}

void AddNoPages(std::vector<NamedFile>& files) {
  using namespace std::string_literals;
  Add(files, "no-pages-little", "II*\0\0\0\0\0"s);
  Add(files, "no-pages-big", "MM\0*\0\0\0\0"s);
  Add(files, "no-pages-offset-past-end", "II*\0\0\0\x10\0"s);
  Add(files, "no-pages-empty-directory", "II*\0\x08\0\0\0\0\0\0\0\0\0"s);
  Add(files, "no-pages-header-only", "II*\0"s);
}

void AddStripsPastEnd(std::vector<NamedFile>& files, const std::string& bytes) {
  const ClassicTiff tiff(bytes);
  const std::vector<std::size_t> ifds = tiff.Directories();
  const auto size = static_cast<std::uint32_t>(bytes.size());
  for (std::size_t page = 0; page < ifds.size() && page < 2; ++page) {
    const std::string suffix = "-page" + std::to_string(page + 1);
    ClassicTiff offset(bytes);
    offset.SetValue(ifds[page], TIFFTAG_STRIPOFFSETS, size + 1000);
    Add(files, "strip-past-end-offset" + suffix, offset.bytes());
    ClassicTiff count(bytes);
    count.SetValue(ifds[page], TIFFTAG_STRIPBYTECOUNTS, 0x7FFFFFFF);
    Add(files, "strip-past-end-count" + suffix, count.bytes());
    ClassicTiff straddle(bytes);
    straddle.SetValue(ifds[page], TIFFTAG_STRIPOFFSETS, size - 10);
    Add(files, "strip-past-end-straddling" + suffix, straddle.bytes());
  }
}

void AddOddFields(std::vector<NamedFile>& files, const std::string& bytes) {
  const struct {
    const char* name;
    std::uint16_t tag;
    std::uint32_t value;
  } fields[] = {
      {"bits-0", TIFFTAG_BITSPERSAMPLE, 0},          {"bits-255", TIFFTAG_BITSPERSAMPLE, 255},
      {"bits-3", TIFFTAG_BITSPERSAMPLE, 3},          {"samples-0", TIFFTAG_SAMPLESPERPIXEL, 0},
      {"samples-200", TIFFTAG_SAMPLESPERPIXEL, 200}, {"compression-12345", TIFFTAG_COMPRESSION, 12345},
      {"photometric-77", TIFFTAG_PHOTOMETRIC, 77},   {"planar-7", TIFFTAG_PLANARCONFIG, 7},
      {"rows-per-strip-0", TIFFTAG_ROWSPERSTRIP, 0}, {"rows-per-strip-1", TIFFTAG_ROWSPERSTRIP, 1},
  };
  for (const auto& field : fields) {
    ClassicTiff damaged(bytes);
    const std::vector<std::size_t> ifds = damaged.Directories();
    if (!ifds.empty() && damaged.SetValue(ifds[0], field.tag, field.value)) {
      Add(files, std::string("odd-field-") + field.name, damaged.bytes());
    }
  }
  ClassicTiff many(bytes);
  if (const std::vector<std::size_t> ifds = many.Directories(); !ifds.empty()) {
    many.Put16(ifds[0], 0xFFFF);
    Add(files, "odd-field-entry-count-65535", many.bytes());
  }
}

}  // namespace

bool ClassicTiff::valid() const {
  if (bytes_.size() < 8) return false;
  const std::string_view head(bytes_.data(), 4);
  return head == std::string_view("II*\0", 4) || head == std::string_view("MM\0*", 4);
}

std::uint16_t ClassicTiff::Get16(std::size_t at) const {
  if (at + 2 > bytes_.size()) return 0;
  const auto b0 = static_cast<unsigned char>(bytes_[at]), b1 = static_cast<unsigned char>(bytes_[at + 1]);
  return static_cast<std::uint16_t>(bigEndian() ? (b0 << 8) | b1 : (b1 << 8) | b0);
}

std::uint32_t ClassicTiff::Get32(std::size_t at) const {
  const std::uint32_t first = Get16(at), second = Get16(at + 2);
  return bigEndian() ? (first << 16) | second : (second << 16) | first;
}

void ClassicTiff::Put16(std::size_t at, std::uint16_t value) {
  if (at + 2 > bytes_.size()) return;
  const auto high = static_cast<char>(value >> 8), low = static_cast<char>(value & 0xFF);
  bytes_[at] = bigEndian() ? high : low;
  bytes_[at + 1] = bigEndian() ? low : high;
}

void ClassicTiff::Put32(std::size_t at, std::uint32_t value) {
  const auto high = static_cast<std::uint16_t>(value >> 16), low = static_cast<std::uint16_t>(value & 0xFFFF);
  Put16(at, bigEndian() ? high : low);
  Put16(at + 2, bigEndian() ? low : high);
}

std::vector<std::size_t> ClassicTiff::Directories() const {
  std::vector<std::size_t> ifds;
  if (!valid()) return ifds;
  std::set<std::size_t> seen;
  std::size_t ifd = Get32(4);
  while (ifd != 0 && ifd + 2 <= bytes_.size() && seen.insert(ifd).second) {
    ifds.push_back(ifd);
    const auto next = NextPointer(ifd);
    if (!next) break;
    ifd = Get32(*next);
  }
  return ifds;
}

std::optional<std::size_t> ClassicTiff::NextPointer(std::size_t ifd) const {
  const std::size_t at = ifd + 2 + std::size_t{Get16(ifd)} * kEntryBytes;
  if (at + 4 > bytes_.size()) return std::nullopt;
  return at;
}

std::optional<std::size_t> ClassicTiff::Entry(std::size_t ifd, std::uint16_t tag) const {
  const std::size_t count = Get16(ifd);
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t entry = ifd + 2 + k * kEntryBytes;
    if (entry + kEntryBytes > bytes_.size()) break;
    if (Get16(entry) == tag) return entry;
  }
  return std::nullopt;
}

std::optional<std::uint32_t> ClassicTiff::Value(std::size_t ifd, std::uint16_t tag) const {
  const auto entry = Entry(ifd, tag);
  if (!entry || Get32(*entry + 4) != 1) return std::nullopt;
  const std::uint16_t type = Get16(*entry + 2);
  if (type == kTypeShort) return Get16(*entry + 8);
  if (type == kTypeLong) return Get32(*entry + 8);
  return std::nullopt;
}

bool ClassicTiff::SetValue(std::size_t ifd, std::uint16_t tag, std::uint32_t value) {
  const auto entry = Entry(ifd, tag);
  if (!entry) return false;
  const std::uint16_t type = Get16(*entry + 2);
  const std::uint32_t count = Get32(*entry + 4);
  if ((type != kTypeShort && type != kTypeLong) || count == 0) return false;
  if (count == 1) {
    // A single value always fits the entry; a SHORT too small for it becomes a LONG.
    const bool asLong = type == kTypeLong || value > 0xFFFF;
    Put16(*entry + 2, asLong ? kTypeLong : kTypeShort);
    Put32(*entry + 8, 0);
    if (asLong) {
      Put32(*entry + 8, value);
    } else {
      Put16(*entry + 8, static_cast<std::uint16_t>(value));
    }
    return true;
  }
  // Several values: every one of them, inline or where the entry points.
  const std::size_t size = type == kTypeShort ? 2 : 4;
  const std::size_t at = count * size <= 4 ? *entry + 8 : Get32(*entry + 8);
  if (at + count * size > bytes_.size()) return false;
  for (std::size_t i = 0; i < count; ++i) {
    if (type == kTypeShort) {
      Put16(at + i * size, static_cast<std::uint16_t>(value));
    } else {
      Put32(at + i * size, value);
    }
  }
  return true;
}

std::vector<NamedFile> SoundTiffs() {
  std::vector<NamedFile> files;
  Add(files, "sound-rgb-fax", RgbFaxBytes());
  Add(files, "sound-grey16", FixtureBytes({{PageKind::Grey16, 40, 30}}));
  Add(files, "sound-palette", FixtureBytes({{PageKind::Palette8, 48, 32}}));
  Add(files, "sound-cmyk", FixtureBytes({{PageKind::Cmyk32, 32, 32}}));
  return files;
}

std::vector<NamedFile> DamagedTiffs() {
  std::vector<NamedFile> files;
  const std::string base = RgbFaxBytes();
  if (!ClassicTiff(base).valid()) return files;
  AddTruncations(files, "rgb-fax", base);
  AddTruncations(files, "palette", FixtureBytes({{PageKind::Palette8, 48, 32}}));
  AddHeaderFlips(files, base);
  AddEntryFlips(files, base);
  AddDataFlips(files, base);
  AddLoops(files, base);
  AddSizes(files, base);
  AddNoPages(files);
  AddStripsPastEnd(files, base);
  AddOddFields(files, base);
  return files;
}

}  // namespace rastrel::fixtures
