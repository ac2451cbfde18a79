// TIFF files damaged the ways real ones get damaged: cut short by a failed copy, bits
// flipped on a failing disk, chains of directories that run in circles or nowhere, sizes no
// page has, data that lies past the end of the file. All made in memory from the project's
// own fixtures, so a test can put them wherever it needs them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rastrel::fixtures {

struct NamedFile {
  std::string name;  // a file name ending in ".tif"
  std::string bytes;
};

// Sound files of different layouts that the damage starts from (and that a batch of damaged
// files must still convert): a two-page RGB LZW and fax file, and one page each of 16-bit
// grey, palette and CMYK.
std::vector<NamedFile> SoundTiffs();

// The damaged variants, each named for its damage: truncated-*, flip-header-*, flip-entry-*,
// flip-data-*, ifd-loop-*, huge-*, no-pages-*, strip-past-end-*, odd-field-*. None is empty
// (an empty file is never collected as input).
std::vector<NamedFile> DamagedTiffs();

// Classic TIFF (not BigTIFF) directory access, in either byte order, for making damage.
class ClassicTiff {
 public:
  explicit ClassicTiff(std::string bytes) : bytes_(std::move(bytes)) {}

  bool valid() const;  // "II*\0" or "MM\0*" and room for the first directory offset
  // Offsets of the directories in chain order; a directory met again ends the walk.
  std::vector<std::size_t> Directories() const;
  // Offset of the 12-byte entry of `tag` in the directory at `ifd`.
  std::optional<std::size_t> Entry(std::size_t ifd, std::uint16_t tag) const;
  // Sets the value of a one-value SHORT or LONG entry in place; false when it is not there.
  bool SetValue(std::size_t ifd, std::uint16_t tag, std::uint32_t value);
  std::optional<std::uint32_t> Value(std::size_t ifd, std::uint16_t tag) const;
  // Offset of the next-directory pointer that follows the directory at `ifd`.
  std::optional<std::size_t> NextPointer(std::size_t ifd) const;

  std::uint16_t Get16(std::size_t at) const;
  std::uint32_t Get32(std::size_t at) const;
  void Put16(std::size_t at, std::uint16_t value);
  void Put32(std::size_t at, std::uint32_t value);

  const std::string& bytes() const { return bytes_; }
  std::string& bytes() { return bytes_; }

 private:
  bool bigEndian() const { return bytes_.size() >= 2 && bytes_[0] == 'M'; }
  std::string bytes_;
};

}  // namespace rastrel::fixtures
