// Process entry: start-up order, run-mode choice and the process exit code.
#pragma once

#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/console.h"

namespace rastrel {

// What the front end needs to know about the running process.
struct ProcessFacts {
  std::string programName;    // the executable's file name without its extension
  std::string programFolder;  // ends in '/'
  std::string workingFolder;  // ends in '/'
};

// Everything after the instance lock is taken: console defaults, the command line, the
// first-parameter actions, error lines, and the console batch with its banner and pause.
// Returns the exit code.
int RunFrontEnd(const std::vector<std::string>& params, const ProcessFacts& facts, Console& console,
                RandomIntegers& random);

int RunProcess(int argc, char** argv);

}  // namespace rastrel
