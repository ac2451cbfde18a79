// Temporary files of unfinished atomic writes. Each one is remembered from its creation
// until it is renamed or removed, so that a process told to end at once (a second Ctrl+C)
// can remove them first and leave no debris beside the outputs.
//
// This is process-wide on purpose: it mirrors what the kernel's own file table knows and
// affects no result, only what is left on disk when the process is cut short.
#pragma once

#include <string>

#include "platform/unique_fd.h"

namespace rastrel {

// Creates a new file from `pattern`, whose last six characters are "XXXXXX" and are
// replaced in place, opened for reading and writing with close-on-exec; remembers its path.
// An empty descriptor when the file cannot be created.
UniqueFd CreateTrackedTemporaryFile(std::string& pattern);

// The file was renamed into place or removed: nothing is left to clean up.
void ForgetTrackedTemporaryFile(const std::string& path);

// Removes every remembered file and refuses to create new ones from then on; creating
// threads wait until the process is gone. Only for the last moments of a process.
void RemoveTrackedTemporaryFilesForExit();

}  // namespace rastrel
