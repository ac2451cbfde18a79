#include "platform/filesystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <random>

#include "platform/pipe.h"
#include "platform/temporary_files.h"
#include "platform/unique_fd.h"

namespace rastrel {

std::int64_t FileSize(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return kFileMissing;
  if (S_ISDIR(st.st_mode)) return kFileIsFolder;
  return static_cast<std::int64_t>(st.st_size);
}

bool IsFolder(const std::string& path) { return FileSize(path) == kFileIsFolder; }

std::vector<DirEntry> ListFolder(const std::string& folder) {
  std::vector<DirEntry> entries;
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return entries;
  const int dirFd = ::dirfd(dir);
  while (const dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    DirEntry entry;
    entry.name = std::move(name);
    struct stat st {};
    if (::fstatat(dirFd, e->d_name, &st, 0) == 0) {
      entry.isFolder = S_ISDIR(st.st_mode);
      entry.device = static_cast<std::uint64_t>(st.st_dev);
      entry.inode = static_cast<std::uint64_t>(st.st_ino);
    }
    entries.push_back(std::move(entry));
  }
  ::closedir(dir);
  return entries;
}

std::optional<std::pair<std::uint64_t, std::uint64_t>> FolderIdentity(const std::string& folder) {
  struct stat st {};
  if (::stat(folder.empty() ? "." : folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
  return std::make_pair(static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino));
}

bool CreateFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) == 0) return true;
  return errno == EEXIST && IsFolder(path);
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return std::nullopt;
  std::string data;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (n == 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
  }
  return data;
}

namespace {

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Read without changing it: umask() itself would race with other threads creating files.
mode_t ProcessUmask() {
  static const mode_t mask = [] {
    mode_t value = 022;
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
      char line[256];
      while (std::fgets(line, sizeof line, status)) {
        unsigned parsed = 0;
        if (std::sscanf(line, "Umask: %o", &parsed) == 1) {
          value = static_cast<mode_t>(parsed);
          break;
        }
      }
      std::fclose(status);
    }
    return value;
  }();
  return mask;
}

// The complete, flushed bytes under a temporary name, remembered as debris to remove if
// the process is ended before the caller is done with it.
std::optional<std::string> WriteTrackedTemporaryFile(const std::string& path, std::string_view bytes,
                                                     std::string_view tag) {
  // The temporary name starts with ".~" so that a folder walk never mistakes it for an input.
  std::string temp = FolderOf(path) + std::string(kTemporaryFilePrefix);
  if (!tag.empty()) temp.append(tag).push_back('-');
  temp += "XXXXXX";
  UniqueFd fd = CreateTrackedTemporaryFile(temp);
  if (!fd) return std::nullopt;
  // mkostemp creates 0600; give the file the mode an ordinary create would have.
  const bool ok =
      WriteAllBytes(fd.get(), bytes) && ::fchmod(fd.get(), 0666 & ~ProcessUmask()) == 0 && ::fsync(fd.get()) == 0;
  const bool closed = ::close(fd.release()) == 0;
  if (!ok || !closed) {
    ::unlink(temp.c_str());
    ForgetTrackedTemporaryFile(temp);
    return std::nullopt;
  }
  return temp;
}

}  // namespace

std::optional<std::string> WriteTemporaryFileBeside(const std::string& path, std::string_view bytes,
                                                    std::string_view tag) {
  std::optional<std::string> temp = WriteTrackedTemporaryFile(path, bytes, tag);
  // Handed over complete: whoever moves it into place answers for it from now on.
  if (temp) ForgetTrackedTemporaryFile(*temp);
  return temp;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
  const std::optional<std::string> temp = WriteTrackedTemporaryFile(path, bytes, {});
  if (!temp) return false;
  const bool moved = ::rename(temp->c_str(), path.c_str()) == 0;
  if (!moved) ::unlink(temp->c_str());
  ForgetTrackedTemporaryFile(*temp);
  return moved;
}

bool MoveTemporaryFileInPlace(const std::string& temp, const std::string& path) {
  const bool moved = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!moved) ::unlink(temp.c_str());
  ForgetTrackedTemporaryFile(temp);
  return moved;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0 || errno == ENOENT; }

int RemoveTemporaryFilesTagged(const std::string& folder, std::string_view tag) {
  if (tag.empty()) return 0;
  std::string start = std::string(kTemporaryFilePrefix);
  start.append(tag).push_back('-');
  int removed = 0;
  for (const DirEntry& entry : ListFolder(folder)) {
    if (entry.isFolder || !entry.name.starts_with(start)) continue;
    std::string full = folder;
    if (!full.empty() && full.back() != '/') full.push_back('/');
    if (::unlink((full + entry.name).c_str()) == 0) ++removed;
  }
  return removed;
}

std::optional<std::int64_t> ModificationTime(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return static_cast<std::int64_t>(st.st_mtim.tv_sec);
}

bool SetModificationTime(const std::string& path, std::int64_t secondsSinceEpoch) {
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // the access time is never changed
  times[1].tv_sec = static_cast<time_t>(secondsSinceEpoch);
  times[1].tv_nsec = 0;
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

bool IsAbsolutePath(std::string_view path) { return !path.empty() && path.front() == '/'; }

std::string CurrentFolder() {
  char buffer[PATH_MAX];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return "/";
  std::string folder = buffer;
  if (folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace rastrel
