#include "settings/profile.h"

#include "settings/image_options.h"

namespace rastrel {
namespace {

constexpr std::string_view kProfileGroup = "CLI";

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

}  // namespace

void ApplyProfile(const IniDocument& profile, Settings& settings) {
  const IniGroup* group = FindIniGroup(profile, kProfileGroup);
  if (group == nullptr) return;
  for (const IniEntry& entry : group->entries) {
    if (const ImageOption* option = FindProfileOption(UpperAscii(entry.key))) {
      ApplyImageOption(*option, entry.value, settings, OptionSource::Profile);
    }
  }
}

bool LoadProfile(const std::string& path, Settings& settings) {
  if (path.empty()) return false;
  const std::optional<IniDocument> profile = ReadIniFile(path);
  if (!profile) return false;
  ApplyProfile(*profile, settings);
  return true;
}

}  // namespace rastrel
