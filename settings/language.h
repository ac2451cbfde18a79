// Message lookup in the built-in language table by group and key.
#pragma once

#include <string_view>

namespace rastrel {

inline constexpr std::string_view kNoStringError = "%NO_STRING_ERROR%";

// Builds the sorted, indexed form of the built-in table. The table is constant, so the
// form is built once for the process and later calls only make sure it exists; always
// true. LanguageText builds it as well when it is asked first.
bool LoadLanguage();

// The text of (group, key), both compared without regard to ASCII letter case, or
// kNoStringError when either does not exist. The returned view stays valid for the whole
// process. Safe to call from any number of threads at once.
std::string_view LanguageText(std::string_view group, std::string_view key);

}  // namespace rastrel
