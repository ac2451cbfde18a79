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

// A complete temporary file that a child process wrote and handed to this process, which
// now answers for it until it is moved into place (or removed) and forgotten.
void TrackTemporaryFile(const std::string& path);

// The child process `childId` may be writing temporary files tagged `tag` (see
// RemoveTemporaryFilesTagged) in `folder`. Forget them before the child is reaped, so that
// its process id is never mistaken for another process's.
void TrackChildTemporaryFiles(long childId, const std::string& folder, const std::string& tag);
void ForgetChildTemporaryFiles(long childId);

// Kills the tracked children and waits until they have ended, then removes every remembered
// file, their tagged files included, and refuses to create new ones from then on; creating
// threads wait until the process is gone. Only for the last moments of a process.
void RemoveTrackedTemporaryFilesForExit();

}  // namespace rastrel
