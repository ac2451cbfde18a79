#include "settings/worker_threads.h"

namespace rastrel {

std::optional<std::int32_t> ParseWorkerThreads(std::string_view value) {
  const auto trim = [](std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::string_view();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
  };
  value = trim(value);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = trim(value.substr(1, value.size() - 2));
  }
  if (value.empty() || value.size() > 4) return std::nullopt;
  std::int32_t number = 0;
  for (const char c : value) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  if (number < 1 || number > kMaxWorkerThreads) return std::nullopt;
  return number;
}

}  // namespace rastrel
