#include "platform/file_identity.h"

#include <sys/stat.h>

namespace rastrel {

std::optional<FileIdentity> IdentifyFile(const std::string& path) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

}  // namespace rastrel
