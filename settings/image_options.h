// The image options: one table that names every option a console user can give on the
// command line or in a profile, the setting it writes and the stage it switches on.
// The command-line parser, the profile reader and the tests all read this one table.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "settings/setting_field.h"
#include "settings/settings.h"

namespace rastrel {

enum class OptionSource { CommandLine, Profile };

enum class OptionValueKind {
  Number,   // integer: "$" hex, "%" binary or decimal, stored in the field's width
  Decimal,  // floating point with "." whatever the locale; +Infinity, -Infinity, NaN
  Keyword,  // a keyword of one keyword list, trimmed of blanks
  Text,     // free text; a profile keeps its double quotes
  Mask,     // free text that loses its leading and trailing double quotes everywhere
  Switch,   // takes no value; stores switchValue
};

struct ImageOption {
  std::string_view name;         // upper case with its two leading dashes
  std::string_view profileName;  // the key in a profile when it differs from `name`
  SettingField field;
  OptionValueKind kind = OptionValueKind::Number;
  int keywordList = -1;            // Keyword only
  std::int8_t switchValue = 1;     // Switch only
  FieldAccess<std::int8_t> stage;  // the stage flag it switches on; get == nullptr for none
  std::int8_t stageValue = 0;
};

// Every image option in table order.
std::span<const ImageOption> ImageOptions();

// The option of the command line named `upperName`, or null.
const ImageOption* FindImageOption(std::string_view upperName);

// The key of a profile named `upperName`, or null. An option with a profile name of its own
// (the frame opacity) is known to a profile by that name only.
const ImageOption* FindProfileOption(std::string_view upperName);

// The name under which `source` knows the option.
std::string_view ImageOptionName(const ImageOption& option, OptionSource source);

// Free-text options: the command line joins quoted stretches over several words for them.
bool ImageOptionTakesText(const ImageOption& option);

// Switches take no value; whatever follows "=" is ignored.
bool ImageOptionIsSwitch(const ImageOption& option);

// Converts `value` as the option's kind says, stores it and switches the option's stage on.
// `value` is what follows "=" (after quote joining on the command line) or the profile
// line's value. Text from the command line loses its leading and trailing double quotes
// here; a profile keeps them except in the file-name mask. Never fails: an unknown keyword
// gives code 0, text that is no number gives 0.
void ApplyImageOption(const ImageOption& option, std::string_view value, Settings& settings,
                      OptionSource source);

}  // namespace rastrel
