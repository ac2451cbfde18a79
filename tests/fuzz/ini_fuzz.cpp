// Any bytes as an INI file: read as a profile onto the console defaults, and as the
// settings file of the window, which must then save and load back to the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/debug_echo.h"
#include "settings/ini.h"
#include "settings/profile.h"
#include "settings/settings.h"
#include "settings/settings_file.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr rastrel::Date kNow = 1'700'000'000;

std::string LoadedText(const std::string& path, std::string_view bytes) {
  if (!rastrel::fuzzing::WriteBytes(path, bytes)) __builtin_trap();
  rastrel::Settings settings;
  settings.settingsFilePath = path;
  rastrel::LoadSettings(settings, kNow, 1920, 1080);
  return rastrel::SettingsFileText(settings);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  rastrel::Settings profileSettings;
  rastrel::ApplyDefaults(profileSettings, true, kNow, 0, 0);
  rastrel::ApplyProfile(rastrel::ParseIni(bytes), profileSettings);
  rastrel::SettingsEchoSteps(profileSettings, "tiff", "jpg");

  // What the window saves from a file it loaded must load back to itself: no value may be
  // lost, cut or changed by its own round trip.
  static const std::string path = rastrel::fuzzing::Sandbox() + "config.ini";
  const std::string saved = LoadedText(path, bytes);
  if (LoadedText(path, saved) != saved) __builtin_trap();
  return 0;
}
