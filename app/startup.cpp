#include "app/startup.h"

#include "app/command_line.h"
#include "app/console_batch.h"
#include "app/exit_codes.h"
#include "app/help_text.h"
#include "app/identity.h"
#include "formats/product.h"
#include "platform/filesystem.h"
#include "platform/instance_lock.h"
#include "platform/paths.h"
#include "settings/settings.h"

namespace rastrel {

namespace {

constexpr std::string_view kNoWindowInterface = "The window interface is not available.";

int WindowedRun(Console& console) {
  console.WriteErrorLine(kNoWindowInterface);
  return kExitCannotStart;
}

void PrintHelp(const ProcessFacts& facts, Console& console, RandomIntegers& random) {
  const auto pick = random.Between(0, static_cast<std::int64_t>(kProductInputFamilies.size()) - 1);
  const std::string_view family = kProductInputFamilies[static_cast<std::size_t>(pick)];
  for (const std::string& line : HelpLines(facts.programName, family, kProductOutputFormats.front())) {
    console.WriteLine(line);
  }
}

void PrintBanner(Console& console) {
  console.WriteLine(TitleText());
  console.WriteLine(kRightsLine);
  console.WriteLine(kHomePage);
  console.WriteLine(" ");
}

int ConsoleRun(CommandLine& commandLine, const ProcessFacts& facts, Console& console) {
  console.SetTitle(TitleText());
  if (!commandLine.quiet) PrintBanner(console);
  ConsoleRequest request;
  request.inputText = commandLine.inputText;
  request.outputText = commandLine.outputText;
  request.conversionText = commandLine.conversionText;
  request.quiet = commandLine.quiet;
  request.debug = commandLine.runMode == "DEBUG";
  request.programFolder = facts.programFolder;
  request.workingFolder = facts.workingFolder;
  const int code = ConsoleBatchRun(request, commandLine.settings, console);
  if (commandLine.pause) {
    console.WriteLine(kPausePrompt);
    console.WaitForKey();
  }
  return code;
}

}  // namespace

int RunFrontEnd(const std::vector<std::string>& params, const ProcessFacts& facts, Console& console,
                RandomIntegers& random) {
  if (params.empty()) return WindowedRun(console);

  Settings defaults;
  ApplyDefaults(defaults, true);
  CommandLine commandLine = ParseCommandLine(params, defaults);

  switch (commandLine.action) {
    case FirstAction::Uninstall:
    case FirstAction::Screenshot:
      // Both show windows.
      return WindowedRun(console);
    case FirstAction::Version:
      console.SetTitle(TitleText());
      console.WriteLine(VersionText(kVersionNumber));
      return kExitSuccess;
    case FirstAction::Help:
      console.SetTitle(TitleText());
      PrintHelp(facts, console, random);
      return kExitSuccess;
    case FirstAction::None:
      break;
  }

  if (!commandLine.errorText.empty()) {
    console.SetTitle(TitleText());
    console.WriteLine("Error: " + commandLine.errorText);
    if (commandLine.pause) console.WaitForKey();
    return kExitInvalid;
  }
  if (commandLine.consoleRun) return ConsoleRun(commandLine, facts, console);
  // Options without an input leave nothing for the console to do.
  return WindowedRun(console);
}

int RunProcess(int argc, char** argv) {
  Console console = Console::Standard();
  const std::vector<std::string> params(argv + (argc > 0 ? 1 : 0), argv + argc);

  // Taken before the command line is looked at, so it guards console runs as well; held
  // until the process ends.
  const std::string title = TitleText();
  const InstanceLock lock = InstanceLock::Acquire(title);
  switch (lock.state()) {
    case InstanceLockState::kHeld:
      break;
    case InstanceLockState::kHeldElsewhere:
      console.WriteErrorLine("Error: Another copy of " + title + " is running");
      return kExitCannotStart;
    case InstanceLockState::kUnavailable:
      console.WriteErrorLine("Error: Cannot take the instance lock " + lock.path());
      return kExitCannotStart;
  }

  ProcessFacts facts;
  std::string executable = ExecutablePath();
  if (executable.empty() && argc > 0) executable = argv[0];
  facts.programName = FileStem(executable);
  facts.programFolder = ProgramFolder();
  facts.workingFolder = CurrentFolder();
  RandomIntegers random;
  return RunFrontEnd(params, facts, console, random);
}

}  // namespace rastrel
