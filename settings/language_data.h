// The built-in English message table, as written once in language_data.cpp.
#pragma once

#include <span>
#include <string_view>

namespace rastrel {

struct LanguagePair {
  std::string_view name;
  std::string_view value;
};

inline constexpr std::string_view kLanguageGroupMarker = "_GROUP_";
inline constexpr std::string_view kLanguageEndMarker = "_END_";

// The pairs in table order, the end marker included. The texts live for the whole process.
std::span<const LanguagePair> BuiltInLanguage();

}  // namespace rastrel
