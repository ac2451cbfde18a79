// The option walk over any argument vector (every option, value form, quote joining and
// profile load, from the console defaults), then the debug echo of what it set.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "settings/debug_echo.h"
#include "settings/settings.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr std::size_t kMaxParameters = 64;

bool Contains(const std::string& text, std::string_view what) { return text.find(what) != std::string::npos; }

// A --profile value is a path that is opened and read. Paths of the sandbox are fine; one
// leading elsewhere (a device, a pipe that never ends) would test the machine, not the walk.
bool NamesOutsideFiles(const std::vector<std::string>& params) {
  bool slash = false, profile = false;
  for (const std::string& param : params) {
    slash = slash || Contains(param, "/");
    std::string upper = param;
    for (char& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    profile = profile || Contains(upper, "PROFILE");
  }
  return slash && profile;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::filesystem::current_path(rastrel::fuzzing::Sandbox());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> params = rastrel::fuzzing::SplitFields(data, size, kMaxParameters);
  if (NamesOutsideFiles(params)) return -1;
  static const rastrel::Settings defaults = [] {
    rastrel::Settings settings;
    rastrel::ApplyDefaults(settings, true);
    return settings;
  }();
  const rastrel::CommandLine result = rastrel::ParseCommandLine(params, defaults);
  // Quote joining only ever puts one space where the platform split a value, so nothing the
  // walk keeps can be longer than what it was given.
  for (const std::string* text : {&result.inputText, &result.outputText, &result.conversionText}) {
    if (text->size() > size) __builtin_trap();
  }
  rastrel::SettingsEchoSteps(result.settings, "tiff", "jpg");
  return 0;
}
