// Case mapping of UTF-8 texts such as file names. Text that is not valid UTF-8 (file
// names are byte strings) has only its ASCII letters mapped.
#pragma once

#include <string>
#include <string_view>

namespace rastrel {

std::string ToUpperText(std::string_view text);
std::string ToLowerText(std::string_view text);
// First character upper case, all others lower case.
std::string ToTitleText(std::string_view text);

// Byte-wise comparison that ignores ASCII case; enough for ASCII needles in UTF-8 text,
// whose multi-byte sequences never contain ASCII bytes.
std::size_t FindIgnoringAsciiCase(std::string_view text, std::string_view needle, std::size_t from = 0);

}  // namespace rastrel
