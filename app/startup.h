// Process entry: start-up order, run-mode choice and the process exit code.
#pragma once

namespace rastrel {

int RunProcess(int argc, char** argv);

}  // namespace rastrel
