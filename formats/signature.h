// Naming a file's type from its first bytes, independently of its extension and of the
// image library; used for the debug output only.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace rastrel {

inline constexpr std::string_view kUnrecognizedSignature = "[ERROR] UNRECOGNIZED";

struct SignatureRow {
  std::string_view pattern;  // hex bytes from offset 0, "??" for a byte not tested
  std::string_view name;
};

// Rows grouped by first byte in ascending order; within a group, in testing order.
std::span<const SignatureRow> SignatureTable();

// The name for the leading bytes of a file (only the first 20 are looked at).
std::string_view IdentifyBytes(std::string_view head);
// Reads the file's first bytes; kUnrecognizedSignature when it cannot be read or no row
// matches.
std::string IdentifySignature(const std::string& path);

}  // namespace rastrel
