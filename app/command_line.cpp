#include "app/command_line.h"

#include <optional>

#include "settings/image_options.h"
#include "settings/profile.h"
#include "settings/worker_threads.h"

namespace rastrel {

namespace {

constexpr std::string_view kIncorrectNumber = "Incorrect number of parameters";
constexpr std::string_view kInvalidProfile = "Invalid profile file";
constexpr std::string_view kInvalidThreads = "Invalid number of threads";

struct FirstActionName {
  std::string_view name;
  FirstAction action;
};

constexpr FirstActionName kFirstActions[] = {
    {"-U", FirstAction::Uninstall},      {"-T", FirstAction::Screenshot}, {"-V", FirstAction::Version},
    {"--VERSION", FirstAction::Version}, {"-H", FirstAction::Help},       {"-?", FirstAction::Help},
    {"--HELP", FirstAction::Help},
};

enum class CoreOption { Input, Output, Conversion, Profile, Debug, Quiet, Pause, Threads };

struct CoreOptionName {
  std::string_view name;
  CoreOption option;
};

constexpr CoreOptionName kCoreOptions[] = {
    {"-I", CoreOption::Input},          {"--INPUT", CoreOption::Input},
    {"-O", CoreOption::Output},         {"--OUTPUT", CoreOption::Output},
    {"-C", CoreOption::Conversion},     {"--CONVERSION", CoreOption::Conversion},
    {"--PROFILE", CoreOption::Profile}, {"-D", CoreOption::Debug},
    {"--DEBUG", CoreOption::Debug},     {"-Q", CoreOption::Quiet},
    {"--QUIET", CoreOption::Quiet},     {"-P", CoreOption::Pause},
    {"--PAUSE", CoreOption::Pause},     {kThreadsOptionName, CoreOption::Threads},
};

std::string_view TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

std::string ToUpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

bool OpensQuote(const std::string& value) {
  return !value.empty() && value.front() == '"' && value.back() != '"';
}

// The platform split a quoted stretch at its spaces: put it back together, one space per
// gap, until a parameter closes the quote or the parameters run out.
void JoinQuotedValue(const std::vector<std::string>& params, std::size_t& position, std::string& value) {
  if (!OpensQuote(value)) return;
  while (position + 1 < params.size()) {
    ++position;
    value += ' ';
    value += ParamValue(params, position);
    if (!value.empty() && value.back() == '"') return;
  }
}

std::string StripQuotes(std::string_view value) {
  const std::size_t first = value.find_first_not_of('"');
  if (first == std::string_view::npos) return {};
  const std::size_t last = value.find_last_not_of('"');
  return std::string(value.substr(first, last - first + 1));
}

// -i/-o/-c: the short form takes the next parameter, the long form its own "=" part.
std::optional<std::string> ReadCoreValue(const std::vector<std::string>& params, std::size_t& position,
                                         bool joinQuotes) {
  if (!TrimSpaces(params[position]).starts_with("--")) ++position;
  std::string value = ParamValue(params, position);
  if (value.empty() || value.front() == '-') return std::nullopt;
  if (joinQuotes) JoinQuotedValue(params, position, value);
  return StripQuotes(value);
}

// Image options and --profile: the value follows "=" in the same parameter. A single "-"
// is allowed so negative numbers pass.
std::optional<std::string> ReadInlineValue(const std::vector<std::string>& params, std::size_t& position,
                                           bool joinQuotes) {
  std::string value = ParamValue(params, position);
  if (value.empty() || value.starts_with("--")) return std::nullopt;
  if (!joinQuotes) return value;
  JoinQuotedValue(params, position, value);
  return StripQuotes(value);
}

std::optional<FirstAction> FindFirstAction(std::string_view name) {
  for (const FirstActionName& entry : kFirstActions) {
    if (entry.name == name) return entry.action;
  }
  return std::nullopt;
}

std::optional<CoreOption> FindCoreOption(std::string_view name) {
  for (const CoreOptionName& entry : kCoreOptions) {
    if (entry.name == name) return entry.option;
  }
  return std::nullopt;
}

// Applies the core option at `position`; false when parsing must stop on an error.
bool ApplyCoreOption(CoreOption option, const std::vector<std::string>& params, std::size_t& position,
                     CommandLine& result) {
  std::optional<std::string> value;
  switch (option) {
    case CoreOption::Input:
      result.consoleRun = true;  // even when the value turns out to be unusable
      value = ReadCoreValue(params, position, true);
      if (value) result.inputText = std::move(*value);
      break;
    case CoreOption::Output:
      value = ReadCoreValue(params, position, true);
      if (value) result.outputText = std::move(*value);
      break;
    case CoreOption::Conversion:
      value = ReadCoreValue(params, position, false);
      if (value) result.conversionText = std::move(*value);
      break;
    case CoreOption::Profile:
      value = ReadInlineValue(params, position, true);
      if (value && !LoadProfile(*value, result.settings)) {
        result.errorText = kInvalidProfile;
        return false;
      }
      break;
    case CoreOption::Threads:
      value = ReadInlineValue(params, position, false);
      if (value) {
        const std::optional<std::int32_t> threads = ParseWorkerThreads(*value);
        if (!threads) {
          result.errorText = kInvalidThreads;
          return false;
        }
        result.settings.advanced.workerThreads = *threads;
      }
      break;
    case CoreOption::Debug:
      result.runMode = "DEBUG";
      return true;
    case CoreOption::Quiet:
      result.quiet = true;
      return true;
    case CoreOption::Pause:
      result.pause = true;
      return true;
  }
  if (!value) {
    result.errorText = kIncorrectNumber;
    return false;
  }
  return true;
}

bool ApplyCommandLineImageOption(const ImageOption& option, const std::vector<std::string>& params,
                                 std::size_t& position, CommandLine& result) {
  if (ImageOptionIsSwitch(option)) {
    ApplyImageOption(option, {}, result.settings, OptionSource::CommandLine);
    return true;
  }
  const std::optional<std::string> value = ReadInlineValue(params, position, ImageOptionTakesText(option));
  if (!value) {
    result.errorText = kIncorrectNumber;
    return false;
  }
  ApplyImageOption(option, *value, result.settings, OptionSource::CommandLine);
  return true;
}

}  // namespace

std::string ParamName(std::string_view parameter) {
  const std::string_view text = TrimSpaces(parameter);
  if (text.starts_with("--")) return ToUpperAscii(text.substr(0, text.find('=')));
  if (text.starts_with("-")) return ToUpperAscii(text);
  return {};
}

std::string ParamValue(std::string_view parameter) {
  const std::string_view text = TrimSpaces(parameter);
  if (text.starts_with("--")) {
    const std::size_t equals = text.find('=', 2);
    if (equals != std::string_view::npos) return std::string(text.substr(equals + 1));
  }
  return std::string(text);
}

std::string ParamName(const std::vector<std::string>& params, std::size_t position) {
  return position < params.size() ? ParamName(params[position]) : std::string();
}

std::string ParamValue(const std::vector<std::string>& params, std::size_t position) {
  return position < params.size() ? ParamValue(params[position]) : std::string();
}

CommandLine ParseCommandLine(const std::vector<std::string>& params, const Settings& settings) {
  CommandLine result;
  result.settings = settings;
  if (params.empty()) return result;

  if (const std::optional<FirstAction> action = FindFirstAction(ParamName(params, 0))) {
    result.action = *action;
    if (*action == FirstAction::Screenshot) {
      result.runMode = "T";
      result.screenshotFolder = ParamValue(params, 1);
    }
    return result;
  }

  for (std::size_t position = 0; position < params.size(); ++position) {
    const std::string name = ParamName(params, position);
    if (name.empty()) continue;
    bool keepGoing = true;
    if (const std::optional<CoreOption> core = FindCoreOption(name)) {
      keepGoing = ApplyCoreOption(*core, params, position, result);
    } else if (const ImageOption* option = FindImageOption(name)) {
      keepGoing = ApplyCommandLineImageOption(*option, params, position, result);
    }
    if (!keepGoing) break;
  }
  return result;
}

}  // namespace rastrel
