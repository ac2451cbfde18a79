// The parser's one door to profile files, kept apart so the parser does not depend on how
// profiles are read.
#pragma once

#include <string>

#include "settings/settings.h"

namespace rastrel {

// Applies the profile at `path` to `settings`; false when it cannot be loaded.
bool LoadProfileFile(const std::string& path, Settings& settings);

}  // namespace rastrel
