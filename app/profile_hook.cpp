#include "app/profile_hook.h"

namespace rastrel {

// Profile files are not readable yet: every profile counts as one that cannot be loaded.
bool LoadProfileFile(const std::string& /*path*/, Settings& /*settings*/) { return false; }

}  // namespace rastrel
