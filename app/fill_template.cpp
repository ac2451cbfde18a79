#include "app/fill_template.h"

#include <array>
#include <cctype>

namespace rastrel {

namespace {

bool MatchesPlaceholder(std::string_view text, std::size_t at, std::string_view placeholder) {
  if (text.size() - at < placeholder.size()) return false;
  for (std::size_t i = 0; i < placeholder.size(); ++i) {
    const auto a = static_cast<unsigned char>(text[at + i]);
    const auto b = static_cast<unsigned char>(placeholder[i]);
    if (std::tolower(a) != std::tolower(b)) return false;
  }
  return true;
}

// Scans left to right and never rescans inserted text, so a value that itself contains a
// placeholder is not expanded again by this step.
std::string ReplaceAll(std::string_view text, std::string_view placeholder, std::string_view value) {
  std::string result;
  result.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (MatchesPlaceholder(text, i, placeholder)) {
      result.append(value);
      i += placeholder.size();
    } else {
      result.push_back(text[i]);
      ++i;
    }
  }
  return result;
}

}  // namespace

std::string FillTemplate(std::string_view text, std::string_view v1, std::string_view v2, std::string_view v3,
                         std::string_view v4) {
  static constexpr std::array<std::string_view, 4> kPlaceholders{"%s1%", "%s2%", "%s3%", "%s4%"};
  const std::array<std::string_view, 4> values{v1, v2, v3, v4};
  std::string result(text);
  for (std::size_t k = 0; k < kPlaceholders.size(); ++k) {
    if (!values[k].empty()) result = ReplaceAll(result, kPlaceholders[k], values[k]);
  }
  return result;
}

}  // namespace rastrel
