// Profile files: a console user's image options kept in an INI file. The keys of group
// "CLI" are option names with their dashes; every other group is ignored.
#pragma once

#include <string>

#include "settings/ini.h"
#include "settings/settings.h"

namespace rastrel {

// Applies the profile at `path` to `settings`, key by key in file order. True when the file
// could be read, whatever it held; false for an empty path or a file that cannot be read.
bool LoadProfile(const std::string& path, Settings& settings);

// Applies the "CLI" group of an already read profile. Keys that name no image option of a
// profile are ignored.
void ApplyProfile(const IniDocument& profile, Settings& settings);

}  // namespace rastrel
