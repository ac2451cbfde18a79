// Where per-user files live on this system.
#pragma once

#include <string>

namespace rastrel {

// The per-user configuration base: $XDG_CONFIG_HOME when it holds an absolute path, else
// $HOME/.config, else the account's home folder from the user database + "/.config".
// Ends in '/'; "" when no home can be found at all. Nothing is created here.
std::string UserConfigFolder();

}  // namespace rastrel
