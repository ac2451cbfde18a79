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
  // The self-updating progress line on a terminal's standard error (never with quiet or
  // debug). Off for callers that record the console instead of showing it.
  bool progressOnTerminal = true;
};

// Runs the whole batch and returns the process exit code: 0 when every collected file was
// converted, 1 when fewer (or none) were, 2 for a validation error ("Error: " line), 3 when
// the work could not start, 130 when Ctrl+C stopped it early.
//
// Ctrl+C while it runs: the first lets the file in hand finish, then "Conversion stopped"
// and the counts are printed; a second ends the process at once, removing the temporary
// file of any unfinished write (finished outputs are complete: every write is atomic).
int ConsoleBatchRun(const ConsoleRequest& request, Settings& settings, Console& console);

}  // namespace rastrel
