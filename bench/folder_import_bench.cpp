// Folder import over a generated tree: the time per file must stay flat as the tree grows
// (no per-file scan of the map or of the tree).
//
//   folder_import_bench [files, default 100000] [parent folder, default the temp folder]
//
// The tree grows in four equal parts; after each part the whole tree is imported three
// times (warm cache) and the best time is reported.
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "formats/input_collection.h"

namespace {

namespace fs = std::filesystem;
using rastrel::BatchStatus;
using rastrel::InputCollection;
using rastrel::InputMap;

constexpr int kFoldersPerPart = 25;
constexpr int kSubfoldersPerFolder = 4;

void WriteSmallFile(const std::string& path, bool empty) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    std::perror(path.c_str());
    std::exit(3);
  }
  if (!empty && ::write(fd, "II*\0", 4) != 4) std::exit(3);
  ::close(fd);
}

// part/dNN/eN/ with mostly .tif files; every 20th file is something else and every 50th
// is empty, so the refusals are exercised as well. Returns the number of files that an
// import should add.
int GeneratePart(const std::string& root, int part, int files) {
  int accepted = 0;
  const int perLeaf = files / (kFoldersPerPart * kSubfoldersPerFolder);
  for (int d = 0; d < kFoldersPerPart; ++d) {
    for (int e = 0; e < kSubfoldersPerFolder; ++e) {
      const std::string folder =
          root + "part" + std::to_string(part) + "/d" + std::to_string(d) + "/e" + std::to_string(e) + "/";
      fs::create_directories(folder);
      for (int f = 0; f < perLeaf; ++f) {
        const bool other = f % 20 == 19;
        const bool empty = f % 50 == 49;
        WriteSmallFile(folder + "scan_" + std::to_string(f) +
                           (other   ? ".txt"
                            : f % 2 ? ".tif"
                                    : ".TIFF"),
                       empty);
        if (!other && !empty) ++accepted;
      }
    }
  }
  return accepted;
}

double ImportMilliseconds(const std::string& root, int expected) {
  double best = 1e300;
  for (int run = 0; run < 3; ++run) {
    InputMap map;
    InputCollection collection{map, root, {}};
    BatchStatus status;
    status.Reset();
    const auto start = std::chrono::steady_clock::now();
    rastrel::ImportFolder(collection, status);
    const std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
    if (status.Snapshot().resultCount != expected || static_cast<int>(map.size()) != expected) {
      std::fprintf(stderr, "import added %d files, expected %d\n", status.Snapshot().resultCount, expected);
      std::exit(1);
    }
    if (elapsed.count() < best) best = elapsed.count();
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const int total = argc > 1 ? std::atoi(argv[1]) : 100000;
  const fs::path parent = argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path();
  std::string root = (parent / "rastrel-import-bench-XXXXXX").string();
  if (total < 400 || ::mkdtemp(root.data()) == nullptr) {
    std::fprintf(stderr, "usage: %s [files >= 400] [parent folder]\n", argv[0]);
    return 2;
  }
  root += '/';

  std::printf("%10s %10s %12s %12s\n", "files", "added", "import ms", "us per file");
  int files = 0;
  int accepted = 0;
  for (int part = 0; part < 4; ++part) {
    accepted += GeneratePart(root, part, total / 4);
    files += total / 4;
    const double ms = ImportMilliseconds(root, accepted);
    std::printf("%10d %10d %12.1f %12.3f\n", files, accepted, ms, 1000.0 * ms / files);
    std::fflush(stdout);
  }
  std::error_code error;
  fs::remove_all(root, error);
  return 0;
}
