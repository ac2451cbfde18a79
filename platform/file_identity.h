// Which file a path names, independently of how the path is spelled: two paths name the
// same file when device and inode agree (links followed).
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace rastrel {

struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  auto operator<=>(const FileIdentity&) const = default;
};

// Nullopt when nothing exists at the path.
std::optional<FileIdentity> IdentifyFile(const std::string& path);

}  // namespace rastrel
