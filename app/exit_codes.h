// Process exit codes: what a calling script can rely on.
#pragma once

namespace rastrel {

inline constexpr int kExitSuccess = 0;      // help, version, or every collected file converted
inline constexpr int kExitIncomplete = 1;   // a batch converted fewer files than it collected, or none
inline constexpr int kExitInvalid = 2;      // a command-line or validation error ("Error: " line)
inline constexpr int kExitCannotStart = 3;  // another copy runs, or the window interface cannot open

}  // namespace rastrel
