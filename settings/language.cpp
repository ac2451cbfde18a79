#include "settings/language.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/language_data.h"

namespace rastrel {
namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = UpperAscii(c);
  return upper;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return UpperAscii(x) == UpperAscii(y); });
}

// Orders `asked` (any letter case) against a stored upper-case key, by byte value.
int CompareUpper(std::string_view asked, std::string_view storedUpper) {
  const std::size_t common = std::min(asked.size(), storedUpper.size());
  for (std::size_t i = 0; i < common; ++i) {
    const auto a = static_cast<unsigned char>(UpperAscii(asked[i]));
    const auto b = static_cast<unsigned char>(storedUpper[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  if (asked.size() == storedUpper.size()) return 0;
  return asked.size() < storedUpper.size() ? -1 : 1;
}

struct Message {
  std::string key;  // upper case
  std::string_view text;
};

struct Group {
  std::string name;         // upper case
  std::uint32_t first = 0;  // messages [first, end)
  std::uint32_t end = 0;
  // Position of the first key that starts with each byte value, kNone when none does.
  std::array<std::uint32_t, 256> byFirstChar{};
};

struct LanguageIndex {
  std::vector<Group> groups;
  std::vector<Message> messages;  // grouped, each group sorted by key
};

LanguageIndex BuildIndex(std::span<const LanguagePair> pairs) {
  LanguageIndex index;
  for (const LanguagePair& pair : pairs) {
    if (EqualsNoCase(pair.name, kLanguageEndMarker)) break;
    if (EqualsNoCase(pair.name, kLanguageGroupMarker)) {
      if (!index.groups.empty()) index.groups.back().end = static_cast<std::uint32_t>(index.messages.size());
      Group group;
      group.name = UpperAscii(pair.value);
      group.first = static_cast<std::uint32_t>(index.messages.size());
      index.groups.push_back(std::move(group));
      continue;
    }
    if (index.groups.empty()) continue;  // a message before any group cannot be asked for
    index.messages.push_back(Message{UpperAscii(pair.name), pair.value});
  }
  if (!index.groups.empty()) index.groups.back().end = static_cast<std::uint32_t>(index.messages.size());

  for (Group& group : index.groups) {
    const auto first = index.messages.begin() + group.first;
    const auto end = index.messages.begin() + group.end;
    // Stable: of two equal keys the one earlier in the table is found.
    std::stable_sort(first, end, [](const Message& a, const Message& b) { return a.key < b.key; });
    group.byFirstChar.fill(kNone);
    for (std::uint32_t i = group.end; i-- > group.first;) {
      const std::string& key = index.messages[i].key;
      if (!key.empty()) group.byFirstChar[static_cast<unsigned char>(key.front())] = i;
    }
  }
  return index;
}

const LanguageIndex& Index() {
  static const LanguageIndex index = BuildIndex(BuiltInLanguage());
  return index;
}

// Lookups come in runs within one group (a window asks for all its labels at once), so
// each thread remembers the group it found last.
thread_local std::size_t rememberedGroup = 0;

}  // namespace

bool LoadLanguage() {
  Index();
  return true;
}

std::string_view LanguageText(std::string_view group, std::string_view key) {
  const LanguageIndex& index = Index();
  if (rememberedGroup >= index.groups.size() || !EqualsNoCase(index.groups[rememberedGroup].name, group)) {
    const auto found = std::find_if(index.groups.begin(), index.groups.end(),
                                    [&](const Group& g) { return EqualsNoCase(g.name, group); });
    if (found == index.groups.end()) return kNoStringError;
    rememberedGroup = static_cast<std::size_t>(found - index.groups.begin());
  }
  if (key.empty()) return kNoStringError;
  const Group& found = index.groups[rememberedGroup];
  const std::uint32_t start = found.byFirstChar[static_cast<unsigned char>(UpperAscii(key.front()))];
  if (start == kNone) return kNoStringError;
  for (std::uint32_t i = start; i < found.end; ++i) {
    const int order = CompareUpper(key, index.messages[i].key);
    if (order == 0) return index.messages[i].text;
    if (order < 0) break;
  }
  return kNoStringError;
}

}  // namespace rastrel
