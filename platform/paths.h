// Where the program and its user's files live.
#pragma once

#include <string>
#include <string_view>

namespace rastrel {

// Full path of the running executable; empty when the system does not tell.
std::string ExecutablePath();

// Folder of the running executable, ending in '/'; empty when unknown.
std::string ProgramFolder();

// File name of a path without its folder and without its extension ("/usr/bin/rastrel.bin"
// gives "rastrel"). A leading dot does not start an extension.
std::string FileStem(std::string_view path);

// The user's roaming application-data folder, ending in '/': $XDG_CONFIG_HOME when it is set
// to an absolute path, else the home folder's ".config". Empty when neither can be had.
std::string RoamingAppDataFolder();

}  // namespace rastrel
