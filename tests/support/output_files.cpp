#include "tests/support/output_files.h"

#include <FreeImage.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace rastrel::fixtures {

std::vector<std::string> FilesBelow(const std::string& root) {
  namespace fs = std::filesystem;
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), root).string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

bool IsCompleteJpeg(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes;
  char buffer[1 << 16];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
    bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
  if (!bytes.starts_with("\xFF\xD8") || !bytes.ends_with("\xFF\xD9")) return false;
  FIBITMAP* image = FreeImage_Load(FIF_JPEG, path.c_str(), 0);
  if (image == nullptr) return false;
  FreeImage_Unload(image);
  return true;
}

}  // namespace rastrel::fixtures
