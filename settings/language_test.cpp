#include "settings/language.h"

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "settings/language_data.h"

namespace rastrel {
namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

TEST(LanguageText, Lookups) {
  ASSERT_TRUE(LoadLanguage());
  const struct {
    const char* group;
    const char* key;
    std::string_view expected;
  } cases[] = {
      {"msg", "files converted", "Files converted: %s1% of %s2%"},
      {"MSG", "FILES CONVERTED", "Files converted: %s1% of %s2%"},
      {"General", "Preparing", "Preparing..."},
      {"Preferences", "Bold", "Bold"},
      {"Preferences", "Bold Italic", "Bold Italic"},
      {"Preferences", "Bottom", "Bottom:"},
      {"Preferences", "Bottom-Left", "Bottom-Left"},
      {"Preferences", "Bottom Color", "Bottom Color:"},
      {"Preferences", "Medium", "Medium"},
      {"Preferences", "Title", "Preferences..."},
      {"About", "Title", "About..."},  // same key, other group
      {"custom-converter", "to", "To:"},
      {"Msg", "Invalid output folder",
       "The following output folder is invalid or doesn't exist:\n%s1%\n\nPlease, correct the output path "
       "and "
       "try again!"},
      {"Msg", "No such key", kNoStringError},
      {"Nowhere", "Error", kNoStringError},
      {"Msg", "", kNoStringError},
      {"", "Error", kNoStringError},
      {"Msg", "Erro", kNoStringError},          // prefix of a key
      {"Msg", "Errors", kNoStringError},        // key is a prefix of it
      {"Msg", "\xC3\x89rror", kNoStringError},  // first character outside ASCII
      {"Preferences", "Zzz", kNoStringError},   // beyond the group's last key
      {"_GROUP_", "Menu", kNoStringError},
  };
  for (const auto& c : cases) EXPECT_EQ(LanguageText(c.group, c.key), c.expected) << c.group << "/" << c.key;
}

TEST(LanguageText, EveryRowOfTheTableIsFoundInAnyLetterCase) {
  std::vector<std::string> groups;
  std::map<std::pair<std::string, std::string>, std::string_view> firstText;
  std::string group;
  std::size_t rows = 0;
  for (const LanguagePair& pair : BuiltInLanguage()) {
    if (pair.name == kLanguageEndMarker) break;
    if (pair.name == kLanguageGroupMarker) {
      group = std::string(pair.value);
      groups.push_back(group);
      continue;
    }
    ++rows;
    // A key given twice in one group must carry one text, or a lookup would hide one.
    const auto [it, inserted] = firstText.emplace(std::make_pair(Lower(group), Lower(pair.name)), pair.value);
    if (!inserted) {
      EXPECT_EQ(it->second, pair.value) << group << "/" << pair.name;
    }
    EXPECT_EQ(LanguageText(group, pair.name), pair.value) << group << "/" << pair.name;
    EXPECT_EQ(LanguageText(Lower(group), Lower(pair.name)), pair.value) << group << "/" << pair.name;
  }
  EXPECT_EQ(groups, (std::vector<std::string>{"Menu", "General", "Msg", "Dialog", "Preferences", "About",
                                              "Custom-Converter", "Uninstall"}));
  EXPECT_EQ(rows, 24u + 7u + 32u + 17u + 211u + 3u + 4u + 3u);
  EXPECT_EQ(BuiltInLanguage().back().name, kLanguageEndMarker);
}

TEST(LanguageText, ThreadsLookingUpDifferentGroupsAtOnceEachGetTheirOwn) {
  LoadLanguage();
  const struct {
    const char* group;
    const char* key;
    std::string_view expected;
  } asks[] = {
      {"Menu", "Exit", "Exit"},
      {"Dialog", "Cancel", "Cancel"},
      {"Uninstall", "Next", "Next"},
      {"About", "Email", "E-mail:"},
  };
  std::vector<std::thread> threads;
  std::vector<int> failures(std::size(asks), 0);
  for (std::size_t t = 0; t < std::size(asks); ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 20000; ++i) {
        // Alternate with another group so that the remembered group keeps changing.
        const auto& ask = asks[(t + static_cast<std::size_t>(i)) % std::size(asks)];
        if (LanguageText(ask.group, ask.key) != ask.expected) ++failures[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const int failed : failures) EXPECT_EQ(failed, 0);
}

}  // namespace
}  // namespace rastrel
