// The settings file of the windowed program: config.ini in the per-user configuration
// folder. A console run never reads or writes it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/settings.h"

namespace rastrel {

inline constexpr std::string_view kSettingsFamilyName = "Pixvane";
inline constexpr std::string_view kSettingsProductName = "zembrat";
inline constexpr std::string_view kSettingsFileName = "config.ini";
// Written as `CFG`; files with a smaller number are upgraded when loaded.
inline constexpr std::int32_t kSettingsFileVersion = 19;

// The per-user folder base/family/product/, created when missing; ends in '/'. "" when the
// system offers no per-user folder at all. A folder that cannot be created is not
// reported: the later write of the settings file fails instead.
std::string GetUserFolder(std::string_view family, std::string_view product);

// The full path of config.ini, "" when there is no per-user folder.
std::string SettingsFilePath();

// Fills the record from the file named by settings.settingsFilePath. A file that cannot be
// opened (or no path) gives the windowed defaults; a missing key gives its default, except
// `CFG` (0), `X` and `Y` (100). Files of older versions are upgraded.
void LoadSettings(Settings& settings);
// The same with the local date and the desktop size given.
void LoadSettings(Settings& settings, Date now, int desktopWidth, int desktopHeight);

// Writes the whole record to settings.settingsFilePath atomically: when the file cannot
// be written, the previous file stays as it was. Returns whether the file was written.
bool SaveSettings(const Settings& settings);

// The text SaveSettings writes.
std::string SettingsFileText(const Settings& settings);

}  // namespace rastrel
