#include "formats/input_collection.h"

#include <algorithm>
#include <cstdint>
#include <unordered_set>
#include <utility>
#include <vector>

#include "formats/format_registry.h"
#include "platform/filesystem.h"
#include "platform/line_reader.h"

namespace rastrel {
namespace {

std::string_view FileNameOf(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

char FoldAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

int CompareFolded(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto x = static_cast<unsigned char>(FoldAscii(a[i]));
    const auto y = static_cast<unsigned char>(FoldAscii(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// A folder's entries in name order, letters compared without case and then byte for byte:
// the order a file manager shows and the one "%n%" numbers follow, the same on every run
// whatever order the file system keeps them in.
std::vector<DirEntry> ListFolderInNameOrder(const std::string& folder) {
  std::vector<DirEntry> entries = ListFolder(folder);
  std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) {
    const int folded = CompareFolded(a.name, b.name);
    return folded != 0 ? folded < 0 : a.name < b.name;
  });
  return entries;
}

// Lower-cased text after the last '.' of the file name; empty when there is none.
std::string LowerExtension(std::string_view path) {
  const std::string_view name = FileNameOf(path);
  const auto dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string extension(name.substr(dot + 1));
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension;
}

std::string WithTrailingSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// Walks folder trees for one import. Folders are remembered by device and inode, so a
// link back up the tree, or two links to one folder, cannot make the walk endless or add
// the same files under several names.
class FolderWalk {
 public:
  explicit FolderWalk(InputCollection& collection) : collection_(collection) {}

  // False when the folder cannot be identified or was met before: it is not to be walked.
  bool Enter(const std::string& folder) {
    const auto identity = FolderIdentity(folder);
    return identity && FirstVisit(identity->first, identity->second);
  }

  int Walk(const std::string& root) {
    if (!Enter(root)) return 0;

    struct Level {
      std::string folder;  // ends in '/'
      std::vector<DirEntry> entries;
      std::size_t next = 0;
    };
    // An explicit stack: the depth of a tree is the file system's business, not the
    // thread stack's.
    std::vector<Level> stack;
    stack.push_back({root, ListFolderInNameOrder(root), 0});
    int added = 0;
    while (!stack.empty()) {
      Level& level = stack.back();
      if (level.next == level.entries.size()) {
        stack.pop_back();
        continue;
      }
      const DirEntry& entry = level.entries[level.next++];
      std::string path = level.folder + entry.name;
      if (!entry.isFolder) {
        if (AddInputFile(collection_, path)) ++added;
      } else if (FirstVisit(entry.device, entry.inode)) {
        path += '/';
        std::vector<DirEntry> entries = ListFolderInNameOrder(path);
        stack.push_back({std::move(path), std::move(entries), 0});  // `level` is stale now
      }
    }
    return added;
  }

 private:
  struct Identity {
    std::uint64_t device;
    std::uint64_t inode;
    bool operator==(const Identity&) const = default;
  };
  struct IdentityHash {
    std::size_t operator()(const Identity& id) const {
      return std::hash<std::uint64_t>()(id.inode) ^ (std::hash<std::uint64_t>()(id.device) << 1);
    }
  };

  bool FirstVisit(std::uint64_t device, std::uint64_t inode) {
    return visited_.insert({device, inode}).second;
  }

  InputCollection& collection_;
  std::unordered_set<Identity, IdentityHash> visited_;
};

void AddToResult(BatchStatus& status, int added) {
  status.Modify([added](BatchProgress& progress) { progress.resultCount += added; });
}

void CountTopLevelEntry(BatchStatus& status) {
  status.Modify([](BatchProgress& progress) { ++progress.progressCount; });
}

void TrimSpaces(std::string& line) {
  const auto first = line.find_first_not_of(' ');
  if (first == std::string::npos) {
    line.clear();
    return;
  }
  line.erase(line.find_last_not_of(' ') + 1);
  line.erase(0, first);
}

}  // namespace

bool AddInputFile(InputCollection& collection, const std::string& path) {
  // Cheapest refusals first; the outcome does not depend on their order.
  if (FileNameOf(path).starts_with(kTemporaryFilePrefix)) return false;
  if (!IsAcceptedExtension(LowerExtension(path))) return false;
  if (collection.inputs.Contains(path)) return false;
  // Empty, missing or not a file at all (a folder, a pipe): nothing to convert.
  if (FileSize(path) <= 0) return false;
  collection.inputs.Add(path, RelativeSubfolder(path, collection.inputFolder));
  if (collection.onAdded) collection.onAdded(path, collection.inputFolder);
  return true;
}

std::string RelativeSubfolder(std::string_view path, std::string_view inputFolder) {
  if (path.empty() || inputFolder.empty()) return {};
  const auto slash = path.rfind('/');
  if (slash == std::string_view::npos) return {};
  const std::string_view folder = path.substr(0, slash + 1);
  // Only a leading match counts: the input folder's text somewhere inside another path
  // says nothing about where the file lies.
  if (!folder.starts_with(inputFolder)) return {};
  return std::string(folder.substr(inputFolder.size()));
}

int WalkInputFolder(InputCollection& collection, const std::string& folder) {
  FolderWalk walk(collection);
  return walk.Walk(WithTrailingSlash(folder));
}

void ImportFolder(InputCollection& collection, BatchStatus& status) {
  int added = 0;
  if (!collection.inputFolder.empty()) {
    // Relative subfolders are cut from paths built on the input folder, so it must end in
    // the separator those paths have after it.
    collection.inputFolder = WithTrailingSlash(std::move(collection.inputFolder));
    const std::string& root = collection.inputFolder;
    FolderWalk walk(collection);
    // The root counts as visited, so a link inside the tree that leads back to it ends.
    const std::vector<DirEntry> entries =
        walk.Enter(root) ? ListFolderInNameOrder(root) : std::vector<DirEntry>{};
    for (const DirEntry& entry : entries) {
      if (!status.KeepGoing()) break;
      CountTopLevelEntry(status);
      const std::string path = root + entry.name;
      if (entry.isFolder) {
        added += walk.Walk(path + '/');
      } else if (AddInputFile(collection, path)) {
        ++added;
      }
    }
  }
  AddToResult(status, added);
}

void ImportList(InputCollection& collection, const std::string& listPath, BatchStatus& status) {
  int added = 0;
  LineReader reader;
  if (reader.Open(listPath)) {
    FolderWalk walk(collection);
    std::string line;
    bool truncated = false;
    bool first = true;
    while (status.KeepGoing() && reader.Next(line, truncated)) {
      if (first && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
      first = false;
      TrimSpaces(line);
      // A NUL cannot be part of a path: such a line (a file in UTF-16, say) would otherwise
      // be cut at the NUL and might name "/" or some other folder never listed.
      if (line.empty() || truncated || line.find('\0') != std::string::npos) continue;
      const std::int64_t size = FileSize(line);
      if (size == kFileMissing) continue;
      CountTopLevelEntry(status);
      if (size == kFileIsFolder) {
        added += walk.Walk(WithTrailingSlash(line));
      } else if (AddInputFile(collection, line)) {
        ++added;
      }
    }
  }
  AddToResult(status, added);
}

std::jthread StartFolderImport(InputCollection& collection, BatchStatus& status) {
  status.Reset();
  return std::jthread([&collection, &status] { ImportFolder(collection, status); });
}

std::jthread StartListImport(InputCollection& collection, std::string listPath, BatchStatus& status) {
  status.Reset();
  return std::jthread(
      [&collection, &status, path = std::move(listPath)] { ImportList(collection, path, status); });
}

}  // namespace rastrel
