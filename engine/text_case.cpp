#include "engine/text_case.h"

#include <glib.h>

#include <algorithm>
#include <memory>

namespace rastrel {
namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

struct GFreeDeleter {
  void operator()(gchar* text) const { g_free(text); }
};

bool IsUtf8(std::string_view text) {
  return g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr) != 0;
}

std::string Mapped(std::string_view text, gchar* (*map)(const gchar*, gssize), char (*ascii)(char)) {
  if (!IsUtf8(text)) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), ascii);
    return out;
  }
  std::unique_ptr<gchar, GFreeDeleter> mapped(map(text.data(), static_cast<gssize>(text.size())));
  return mapped ? std::string(mapped.get()) : std::string(text);
}

}  // namespace

std::string ToUpperText(std::string_view text) { return Mapped(text, g_utf8_strup, AsciiUpper); }
std::string ToLowerText(std::string_view text) { return Mapped(text, g_utf8_strdown, AsciiLower); }

std::string ToTitleText(std::string_view text) {
  if (text.empty()) return {};
  std::size_t first = 1;
  if (IsUtf8(text)) {
    first = static_cast<std::size_t>(g_utf8_skip[static_cast<unsigned char>(text.front())]);
  }
  return ToUpperText(text.substr(0, first)) + ToLowerText(text.substr(first));
}

std::size_t FindIgnoringAsciiCase(std::string_view text, std::string_view needle, std::size_t from) {
  if (needle.empty()) return from <= text.size() ? from : std::string_view::npos;
  for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() && AsciiLower(text[i + k]) == AsciiLower(needle[k])) ++k;
    if (k == needle.size()) return i;
  }
  return std::string_view::npos;
}

}  // namespace rastrel
