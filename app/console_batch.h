// The console batch: validates what the command line asked for, collects the inputs,
// converts them and prints the summary. The start-up code prints the banner before it and
// handles the pause after it.
#pragma once

#include <string>

#include "platform/console.h"
#include "settings/settings.h"

namespace rastrel {

struct ConsoleRequest {
  std::string inputText;       // a file, a list file or a folder, as typed
  std::string outputText;      // output folder as typed; empty = beside the input
  std::string conversionText;  // output extension as typed; empty = the product's first
  bool quiet = false;
  bool debug = false;
  std::string programFolder;  // folder of the executable, ends in '/'
  std::string workingFolder;  // base of relative paths, ends in '/'
};

// Runs the whole batch and returns the process exit code: 0 when every collected file was
// converted, 1 when fewer (or none) were, 2 for a validation error ("Error: " line), 3 when
// the work could not start.
int ConsoleBatchRun(const ConsoleRequest& request, Settings& settings, Console& console);

}  // namespace rastrel
