// The command line of the console face: option matching, value rules and the parse result.
// Parsing is a pure function of the parameters and the starting settings, so every rule can
// be checked from a table of command lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"

namespace rastrel {

// A special first parameter that replaces the whole option walk.
enum class FirstAction {
  None,
  Uninstall,   // -U
  Screenshot,  // -T, folder in the next parameter
  Version,     // -V, --VERSION
  Help,        // -H, -?, --HELP
};

struct CommandLine {
  FirstAction action = FirstAction::None;
  std::string screenshotFolder;  // Screenshot only

  bool consoleRun = false;  // an input option was met, even one without a usable value
  std::string runMode;      // "", "DEBUG" or "T"
  std::string inputText;
  std::string outputText;
  std::string conversionText;
  bool quiet = false;
  bool pause = false;     // as far as the walk got before an error
  std::string errorText;  // empty when the whole command line was accepted
  Settings settings;      // the starting settings with every applied option and profile
};

// Upper-cased option name: "--name" up to its first "=", or a whole "-x" parameter;
// "" for anything else. Leading and trailing spaces do not count.
std::string ParamName(std::string_view parameter);
// Value of a parameter: the text after the first "=" of a "--name=value" parameter, else
// the whole parameter; leading and trailing spaces do not count.
std::string ParamValue(std::string_view parameter);
// Position forms; a position at or beyond the end reads as "".
std::string ParamName(const std::vector<std::string>& params, std::size_t position);
std::string ParamValue(const std::vector<std::string>& params, std::size_t position);

// Parses every parameter (the program name excluded). `settings` are the console defaults;
// options and profiles are applied to a copy that the result carries.
CommandLine ParseCommandLine(const std::vector<std::string>& params, const Settings& settings);

}  // namespace rastrel
