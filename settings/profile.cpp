#include "settings/profile.h"

#include "settings/image_options.h"
#include "settings/worker_threads.h"

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
    const std::string key = UpperAscii(entry.key);
    if (const ImageOption* option = FindProfileOption(key)) {
      ApplyImageOption(*option, entry.value, settings, OptionSource::Profile);
    } else if (key == kThreadsOptionName) {
      // A profile has no error to report: a value that is no worker count is ignored.
      if (const auto threads = ParseWorkerThreads(entry.value)) settings.advanced.workerThreads = *threads;
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
