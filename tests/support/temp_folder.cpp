#include "tests/support/temp_folder.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace rastrel::fixtures {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::string pattern = (fs::temp_directory_path() / "rastrel-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern + "/";
}

TempFolder::~TempFolder() {
  std::error_code error;
  // Folders a test made unreadable must be opened up again before they can be removed.
  for (auto it =
           fs::recursive_directory_iterator(path_, fs::directory_options::skip_permission_denied, error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    if (it->is_directory(error) && !it->is_symlink(error)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
  }
  fs::remove_all(path_, error);
}

std::string TempFolder::Write(std::string_view relative, std::string_view bytes) const {
  const fs::path target = fs::path(path_) / relative;
  fs::create_directories(target.parent_path());
  std::ofstream out(target, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + target.string());
  return target.string();
}

std::string TempFolder::MakeFolder(std::string_view relative) const {
  const fs::path target = fs::path(path_) / relative;
  fs::create_directories(target);
  std::string folder = target.string();
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string TempFolder::Link(std::string_view relative, std::string_view target) const {
  const fs::path link = fs::path(path_) / relative;
  fs::create_directories(link.parent_path());
  fs::create_symlink(fs::path(target), link);
  return link.string();
}

}  // namespace rastrel::fixtures
