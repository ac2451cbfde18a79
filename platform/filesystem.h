// File-system access for the rest of the program. Paths are byte strings with '/' as
// the separator; nothing here throws.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rastrel {

inline constexpr std::int64_t kFileMissing = -1;
inline constexpr std::int64_t kFileIsFolder = -2;

// Size in bytes, or kFileMissing / kFileIsFolder.
std::int64_t FileSize(const std::string& path);
bool IsFolder(const std::string& path);

struct DirEntry {
  std::string name;
  bool isFolder = false;  // links are followed
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
};
// Every entry except "." and "..", in the order the file system lists them. Empty when
// the folder cannot be read.
std::vector<DirEntry> ListFolder(const std::string& folder);
// Device and inode of a folder, to recognise one reached twice through links.
std::optional<std::pair<std::uint64_t, std::uint64_t>> FolderIdentity(const std::string& folder);

bool CreateFolder(const std::string& path);  // one level; true when it exists afterwards

std::optional<std::string> ReadWholeFile(const std::string& path);

// Writes the bytes to a temporary file in the target's folder and renames it over the
// target only after a complete, flushed write; on failure the target is untouched and
// the temporary file is gone.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);
// Every temporary file of an atomic write starts with this name, so that a folder walk
// can tell it from an input.
inline constexpr std::string_view kTemporaryFilePrefix = ".~rastrel-";

// The first half of an atomic write, for a writer whose file is moved into place by someone
// else: the complete, flushed bytes under kTemporaryFilePrefix + tag + "-" + a unique part,
// in the folder of `path`. Returns the temporary path; on failure nothing is left behind.
std::optional<std::string> WriteTemporaryFileBeside(const std::string& path, std::string_view bytes,
                                                    std::string_view tag);
// The second half: renames `temp` over `path`; on failure the temporary file is removed.
// Either way a tracked temporary file (platform/temporary_files.h) is forgotten.
bool MoveTemporaryFileInPlace(const std::string& temp, const std::string& path);
// True when nothing is left at `path`.
bool RemoveFile(const std::string& path);
// Removes the temporary files that writes with `tag` left in `folder` (a writer that died
// before it finished); returns how many. An empty tag removes nothing.
int RemoveTemporaryFilesTagged(const std::string& folder, std::string_view tag);

// Last-modification time in whole seconds since the epoch (UTC), or nullopt.
std::optional<std::int64_t> ModificationTime(const std::string& path);
bool SetModificationTime(const std::string& path, std::int64_t secondsSinceEpoch);

bool IsAbsolutePath(std::string_view path);
std::string CurrentFolder();  // ends in '/'

}  // namespace rastrel
